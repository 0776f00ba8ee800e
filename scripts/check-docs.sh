#!/usr/bin/env bash
# Fails when a figure the documents state no longer matches the sources or
# the build: the figures that drift as the code changes, and the names and
# timings the user documents quote (scripts/check-quotes.pl).
#
#   check-docs.sh [BUILD_DIR]   (default build/mingw, the shipped tree)
#
# Each check is one line below: the document, a Perl regular expression
# whose match is the figure as written (\K and look-aheads cut it out of its
# words), the true figure, and what it is. Lines are joined before matching,
# so a figure may wrap. Every match must be the true figure, and there must
# be at least one: a figure whose wording changed is reported, not skipped.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
build=${1:-build/mingw}
failures=0

fail() { echo "check-docs: FAIL: $*"; failures=$((failures + 1)); }

# expect DOC REGEX TRUE WHAT
expect() {
  local doc=$1 re=$2 want=$3 what=$4 found
  if [ -z "$want" ]; then
    fail "$what: no true figure to compare with (see the messages above)"
    return
  fi
  found=$(tr -s ' \n' '  ' <"$doc" | grep -oP -- "$re" | sort -u)
  if [ -z "$found" ]; then
    fail "$what: not found in $doc (its wording changed? update scripts/check-docs.sh)"
  elif [ "$found" != "$want" ]; then
    fail "$what: $doc says $(tr '\n' ' ' <<<"$found")but the true figure is $want"
  else
    echo "check-docs: ok: $what: $want ($doc)"
  fi
}

# The executable's size in KiB, rounded as the README rounds it.
exe=$build/corvell.exe
size_kb=
if [ -f "$exe" ]; then
  size_kb=$((($(stat -c %s "$exe") + 512) / 1024))
else
  echo "check-docs: no $exe: build it first (cmake --build --preset mingw --target corvell)"
fi

# The main window's controls and timers, by the member declarations of Form0.
read -r controls timers < <(awk '
  /^ *(TextBox|ComboBox|CheckBox|CommandButton|Label|Timer|ListBox|OptionButton) [A-Za-z]/ {
    sub(/\/\/.*/, "")
    n = split($0, names, ",")
    if ($1 == "Timer") t += n; else c += n
  }
  END { print c + 0, t + 0 }' src/ui/form0.h)

# The items the start-up puts in the six combo boxes: a single addItem is
# one, a loop from A to B is B - A + 1, the day loop runs to 28..31.
items=$(awk '
  !/\.addItem\(/ { next }
  match($0, /for \(int [a-z]+ = -?[0-9]+; [a-z]+ <= [0-9]+;/) {
    split(substr($0, RSTART, RLENGTH), w, /[ =;<]+/)
    lo += w[6] - w[4] + 1; hi += w[6] - w[4] + 1; next
  }
  match($0, /for \(int [a-z]+ = -?[0-9]+; [a-z]+ <= days;/) {
    split(substr($0, RSTART, RLENGTH), w, /[ =;<]+/)
    lo += 28 - w[4] + 1; hi += 31 - w[4] + 1; next
  }
  /for / { print "check-docs: cannot count the items of: " $0 > "/dev/stderr"; bad = 1; next }
  { lo += 1; hi += 1 }
  END { if (!bad) print lo " to " hi }' src/main/startup.cpp)

# Entries of the Windows 98 import list marked unconfirmed, and how many of
# them the executable imports (check-imports.sh counts those it warns of).
unconfirmed=$(awk '!/^[ \t]*#/ && $3 == "unconfirmed"' tests/imports/win98-imports.txt | wc -l)
imported_unconfirmed=
if [ -f "$exe" ]; then
  imported_unconfirmed=$(bash scripts/check-imports.sh "$exe" 2>/dev/null |
    sed -n 's/^check-imports: OK: .*(\([0-9]*\) unconfirmed)$/\1/p')
fi

# shellcheck disable=SC2016  # the backquotes are the README's own
expect README.md '`corvell\.exe`, \K[0-9]+(?= KB)' "$size_kb" "the executable's size in KB"
expect docs/performance.md '[0-9]+(?= controls)' "$controls" "the main window's controls"
expect docs/performance.md '[0-9]+(?= timers)' "$timers" "the main window's timers"
expect docs/performance.md '[0-9]+ to [0-9]+(?= combo items)' "$items" "the combo items at start-up"
expect README.md '[0-9]+(?= of its entries are marked unconfirmed)' "$unconfirmed" \
  "unconfirmed entries of the Windows 98 import list"
expect README.md 'imports \K[0-9]+(?= of them)' "$imported_unconfirmed" \
  "unconfirmed functions the executable imports"

# The scenarios of tests/e2e/scenarios.cpp (one table entry a line, as
# tests/e2e/CMakeLists.txt reads them), sorted, one line.
scenarios=$(sed -n 's/^    {"\([a-z0-9-]*\)", [0-9]*,.*/\1/p' tests/e2e/scenarios.cpp | sort | tr '\n' ' ')
# The names in the first column of docs/testing.md's table under a heading
# or a line that starts with $1, up to the table's end.
documented() {
  awk -v start="$1" 'index($0, start) == 1 { on = 1; next }
    on && /^\|/ { split($0, cell, "|"); n = split(cell[2], w, "`")
                  for (i = 2; i <= n; i += 2) print w[i]; seen = 1; next }
    on && seen { exit }' docs/testing.md | sort | tr '\n' ' '
}
for table in "The scenarios, and what each guards" "## Every scenario can fail"; do
  listed=$(documented "$table")
  if [ "$listed" != "$scenarios" ]; then
    fail "docs/testing.md, table under \"$table\": lists $listed; the scenarios are $scenarios"
  else
    echo "check-docs: ok: docs/testing.md, table under \"$table\": every scenario"
  fi
done

# The names the user documents quote and the timings they give, against
# the program's own texts and constants (check-quotes.pl says how).
if quotes=$(perl scripts/check-quotes.pl); then
  echo "check-docs: ok: every quoted name and timing of the user documents is the program's"
else
  printf '%s\n' "$quotes"
  failures=$((failures + $(grep -c FAIL <<<"$quotes")))
fi

# The installer finds a running copy by its windows' class.
class=$(sed -n 's/^constexpr char kFormClass\[\] = "\(.*\)";/\1/p' src/platform/win32/native_form.cpp)
expect packaging/NSIS.template.in '!define CORVELL_CLASS "\K[^"]+' "$class" \
  "the window class the installer looks for"

[ $failures -eq 0 ] || { echo "check-docs: $failures stale figure(s)"; exit 1; }
echo "check-docs: all figures hold"
