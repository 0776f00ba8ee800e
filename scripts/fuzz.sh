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
for target in record item; do
  corpus=build/fuzz/corpus-$target
  mkdir -p "$corpus"
  cp -n fuzz/corpus/$target/* "$corpus/" 2>/dev/null || true
  (cd build/fuzz && "./fuzz/${target}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
     "../../$corpus" 2>&1 | tail -n 12)
done
