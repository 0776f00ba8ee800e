#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS
# (default 30; run longer by hand). New findings stop the run with the
# crashing input saved under build/fuzz/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
# The two targets side by side, one a core; each one's report in turn.
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
for target in record item; do
  corpus=build/fuzz/corpus-$target
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$target/* "$corpus/" 2>/dev/null || true
  (cd build/fuzz && "./fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
     "../../$corpus" >"run-$target.log" 2>&1) &
  pids+=($!)
done
rc=0
for i in 0 1; do
  wait "${pids[$i]}" || rc=1
done
for target in record item; do tail -n 12 "build/fuzz/run-$target.log"; done
exit $rc
