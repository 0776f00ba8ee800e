#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively (also
# under AddressSanitizer and UBSan), static analysis, a short fuzzing run,
# then the Windows executable, the Win32-layer tests and the end-to-end
# scenarios under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

for preset in native sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --output-on-failure
done

./scripts/lint.sh
./scripts/fuzz.sh "${CORVELL_FUZZ_SECONDS:-30}"

cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw --output-on-failure
