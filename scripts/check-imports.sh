#!/usr/bin/env bash
# Fails when EXE imports a function that is not in LIST (by default
# tests/imports/win98-imports.txt, what the first Windows 95 and NT 4.0 both
# export): one missing export and the program does not even load there.
#
#   check-imports.sh EXE [LIST]
#
# Exit status: 0 clean, 1 imports outside the list, 2 usage or input error.
# OBJDUMP overrides the objdump used (the tests hand it a fake one).
set -euo pipefail

if [[ $# -lt 1 || $# -gt 2 ]]; then
  echo "usage: $0 EXE [LIST]" >&2
  exit 2
fi
exe=$1
list=${2:-$(dirname "$0")/../tests/imports/win98-imports.txt}
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

if [[ ! -r $list ]]; then
  echo "check-imports: cannot read list $list" >&2
  exit 2
fi
# A failing objdump must not read as "no imports, all clean".
if ! dump=$("$objdump" -p "$exe"); then
  echo "check-imports: $objdump -p $exe failed" >&2
  exit 2
fi

awk -v list="$list" -v exe="$exe" '
  BEGIN {
    while ((getline line < list) > 0) {
      ++lineno
      sub(/\r$/, "", line)
      if (line ~ /^[ \t]*(#|$)/) continue
      n = split(line, f, /[ \t]+/)
      if (f[1] == "") { bad = bad sprintf("%s:%d: leading blank\n", list, lineno); continue }
      # Every entry must say where its support was checked.
      if (n < 3) { bad = bad sprintf("%s:%d: entry without a source\n", list, lineno); continue }
      key = toupper(f[1]) "!" f[2]
      if (key in allowed) { bad = bad sprintf("%s:%d: %s listed twice\n", list, lineno, f[1] "!" f[2]); continue }
      allowed[key] = 1
      if (f[3] == "unconfirmed") unconfirmed[key] = 1
    }
    close(list)
    if (bad != "") { printf "%s", bad > "/dev/stderr"; exit 2 }
  }
  # Windows 95/98/Me load no program made for a later subsystem.
  /^MajorSubsystemVersion/ { subsystem = $2 + 0 }
  /^The Import Tables/ { intable = 1; next }
  # The next section heading starts at the left margin and ends the table.
  intable && /^[A-Za-z]/ { intable = 0 }
  !intable { next }
  /^[ \t]*DLL Name:/ { dll = $3; dlls[toupper(dll)] = 1; next }
  dll != "" && /^\t[0-9a-fA-F]+\t/ {
    # "vma  hint  name", or "vma  ordinal  <none>" for an import by ordinal
    name = ($3 == "<none>") ? "#" $2 : $3
    ++imports
    key = toupper(dll) "!" name
    if (!(key in allowed)) offending[++noff] = dll "!" name
    else if (key in unconfirmed) warned[++nwarn] = dll "!" name
  }
  END {
    if (bad != "") exit 2
    if (imports == 0) { printf "check-imports: no imports found in %s\n", exe > "/dev/stderr"; exit 2 }
    for (i = 1; i <= nwarn; ++i)
      printf "check-imports: warning: %s is allowed but its Windows 98 support is unconfirmed\n", warned[i] > "/dev/stderr"
    ndll = 0; for (d in dlls) ++ndll
    if (subsystem > 4) {
      printf "check-imports: FAIL: subsystem version %d of %s; Windows 95/98/Me load 4.x only\n", subsystem, exe
      exit 1
    }
    if (noff > 0) {
      for (i = 1; i <= noff; ++i) printf "check-imports: not in the list: %s\n", offending[i]
      printf "check-imports: FAIL: %d of %d imports of %s are outside %s\n", noff, imports, exe, list
      exit 1
    }
    printf "check-imports: OK: %d imports from %d DLLs, all in %s (%d unconfirmed)\n", imports, ndll, list, nwarn
  }
' <<<"$dump"
