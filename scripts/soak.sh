#!/usr/bin/env bash
# Runs the Windows-side tests N times in a row, as test.sh runs them (two
# at a time), and prints for each test how many of the runs it failed.
# Exits non-zero when any run failed. Logs: build/soak/.
#   scripts/soak.sh [N]   (default 5)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
./scripts/setup.sh >/dev/null
log=$PWD/build/soak
rm -rf "$log"
mkdir -p "$log"

# The same trees and selections as test.sh.
presets=(mingw)
select=("")
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null
if [ "$(./scripts/host-bits.sh)" != 32 ]; then
  select=("-LE wine")
  presets+=(mingw64)
  select+=("")
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64 >/dev/null
fi

declare -A failed
tests=()
for i in "${!presets[@]}"; do
  # shellcheck disable=SC2086  # the selection is words
  while read -r name; do
    tests+=("${presets[$i]}/$name")
    failed[${presets[$i]}/$name]=0
  done < <(ctest --preset "${presets[$i]}" ${select[$i]} -N | sed -n 's/^ *Test *#[0-9]*: //p')
done

bad=0
for run in $(seq "$runs"); do
  start=$(date +%s)
  for i in "${!presets[@]}"; do
    p=${presets[$i]}
    # What ctest counts as failed, one "N:name" a line.
    list=build/$p/Testing/Temporary/LastTestsFailed.log
    rm -f "$list"
    rc=0
    # shellcheck disable=SC2086
    ctest --preset "$p" ${select[$i]} >"$log/run-$run-$p.log" 2>&1 || rc=$?
    if [ -f "$list" ] && grep -q . "$list"; then
      while IFS=: read -r _ name; do
        failed[$p/$name]=$((${failed[$p/$name]:-0} + 1))
      done <"$list"
      bad=1
    elif [ $rc -ne 0 ]; then
      # ctest failed without naming a test: that is a failed run too.
      failed[$p/(ctest)]=$((${failed[$p/(ctest)]:-0} + 1))
      tests+=("$p/(ctest)")
      bad=1
    fi
  done
  echo "run $run of $runs: $(($(date +%s) - start)) s"
done

echo "== failed runs of $runs, per test"
for t in $(printf '%s\n' "${tests[@]}" | sort -u); do
  printf '%3d  %s\n' "${failed[$t]}" "$t"
done
exit $bad
