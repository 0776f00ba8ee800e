#!/usr/bin/env bash
# Tests of scripts/check-imports.sh against made-up objdump output, so that
# the parser is checked on cases the real executable may not show (imports
# by ordinal, case of DLL names, a failing objdump).
set -uo pipefail
check=${1:-$(dirname "$0")/../../scripts/check-imports.sh}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# objdump stand-in: prints $FAKE_DUMP, or fails when it is unset.
cat >"$work/objdump" <<'EOF'
#!/usr/bin/env bash
[[ -n ${FAKE_DUMP:-} ]] || exit 1
cat "$FAKE_DUMP"
EOF
chmod +x "$work/objdump"
export OBJDUMP=$work/objdump

# $1 file, then "DLL name..." blocks separated by "--"; a name #N is an
# import by ordinal N.
dump() {
  local out=$1 vma=1000; shift
  { printf 'MajorSubsystemVersion\t%d\nMinorSubsystemVersion\t0\n\n' "${SUBSYSTEM:-4}"
    printf 'The Import Tables (interpreted .idata section contents)\n'
    printf ' vma:            Hint    Time      Forward  DLL       First\n\n'
    local first=1
    for word in "$@"; do
      if [[ $word == -- ]]; then first=1; printf '\n'; continue; fi
      if ((first)); then
        printf '\tDLL Name: %s\n\tvma:  Hint/Ord Member-Name Bound-To\n' "$word"
        first=0; continue
      fi
      if [[ $word == \#* ]]; then
        printf '\t%08x\t %4d  <none>\n' $((0x80000000 + ${word#\#})) "${word#\#}"
      else
        printf '\t%x\t %4d  %s\n' $((vma += 20)) 7 "$word"
      fi
    done
    # a later section whose lines look like imports must not count
    printf '\n\nThe Function Table (interpreted .pdata section contents)\n'
    printf '\t00003000\t   12  Stray\n'
  } >"$out"
}

failures=0
# expect CODE PATTERN DESCRIPTION -- runs the check on $FAKE_DUMP and $list
expect() {
  local want=$1 pattern=$2 what=$3 got out
  out=$("$check" app.exe "$list" 2>&1); got=$?
  if [[ $got -ne $want ]] || ! grep -qE -- "$pattern" <<<"$out"; then
    printf 'FAIL: %s (exit %d, wanted %d)\n%s\n' "$what" "$got" "$want" "$out"
    failures=$((failures + 1))
  else
    printf 'ok: %s\n' "$what"
  fi
}

list=$work/list.txt
cat >"$list" <<'EOF'
# comment
kernel32.DLL  GetTickCount   msdn1998 somewhere "Windows: Requires Windows 95 or later."
USER32.dll    MessageBoxA    msdn1998 somewhere
comctl32.dll  #17            msdn1998 somewhere
USER32.dll    LoadIconA      unconfirmed no page found
EOF
export FAKE_DUMP=$work/dump.txt

dump "$FAKE_DUMP" KERNEL32.dll GetTickCount -- USER32.dll MessageBoxA -- COMCTL32.DLL '#17'
expect 0 'OK: 3 imports from 3 DLLs' 'listed imports pass; DLL names ignore case'

dump "$FAKE_DUMP" KERNEL32.dll GetTickCount -- USER32.dll MessageBoxA CreateWindowExW
expect 1 '^check-imports: not in the list: USER32.dll!CreateWindowExW$' 'a W import fails and is named'
out=$("$check" app.exe "$list" 2>&1)
if grep -q 'MessageBoxA\|GetTickCount' <<<"$out"; then
  printf 'FAIL: allowed imports reported as offending\n%s\n' "$out"; failures=$((failures + 1))
fi

dump "$FAKE_DUMP" KERNEL32.dll GetTickCount -- COMCTL32.DLL '#17' '#345'
expect 1 'not in the list: COMCTL32.DLL!#345$' 'an import by ordinal is checked as #N'

dump "$FAKE_DUMP" KERNEL32.dll MessageBoxA
expect 1 'not in the list: KERNEL32.dll!MessageBoxA' 'a function allowed from one DLL is not allowed from another'

dump "$FAKE_DUMP" USER32.dll messageboxa
expect 1 'not in the list: USER32.dll!messageboxa' 'function names compare exactly'

dump "$FAKE_DUMP" USER32.dll LoadIconA
expect 0 'warning: USER32.dll!LoadIconA is allowed but .*unconfirmed' 'an unconfirmed entry passes with a warning'

dump "$FAKE_DUMP"
expect 2 'no imports found' 'an empty import table is an error, not a pass'

SUBSYSTEM=6 dump "$FAKE_DUMP" KERNEL32.dll GetTickCount
expect 1 'subsystem version 6' 'a program for a later subsystem fails'

FAKE_DUMP='' expect 2 'objdump.* failed' 'a failing objdump is an error'

echo 'USER32.dll MessageBoxW' >>"$list"
dump "$FAKE_DUMP" USER32.dll MessageBoxA
expect 2 'list.txt:6: entry without a source' 'an entry without a source is rejected'

((failures == 0)) || { echo "$failures case(s) failed"; exit 1; }
echo 'all cases passed'
