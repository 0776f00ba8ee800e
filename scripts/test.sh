#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively (also
# under AddressSanitizer and UBSan), static analysis, a short fuzzing run,
# then the Windows executable, the documents' figures against it, the
# Win32-layer tests and the end-to-end scenarios under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
# Said at once rather than ten minutes in, where the first user-* scenario fails.
if [ "$(id -u)" -ne 0 ]; then
  echo "test.sh: run it as root (sudo ./scripts/test.sh): its user-* scenarios create the ordinary user corvell-e2e and run the program as it, which only root may do" >&2
  exit 2
fi
./scripts/setup.sh
# Where the time goes: seconds since the start at the end of each part.
start=$(date +%s)
part() { echo "== $1 done, $(($(date +%s) - start)) s in"; }

for preset in native sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" --output-on-failure
  part "$preset build and tests"
done

./scripts/lint.sh
part lint
./scripts/fuzz.sh "${CORVELL_FUZZ_SECONDS:-30}"
part fuzz

cmake --preset mingw >/dev/null
cmake --build --preset mingw
part "mingw build"
# The figures the documents state, against this build and the sources.
./scripts/check-docs.sh build/mingw
if [ "$(./scripts/host-bits.sh)" = 32 ]; then
  ctest --preset mingw --output-on-failure
else
  echo "== This host runs no 32-bit code: the Windows-side tests run a 64-bit build"
  echo "== of the same sources (build/mingw64) under 64-bit Wine. The installer"
  echo "== test is left out: the installer is a 32-bit program."
  ctest --preset mingw -LE wine --output-on-failure
  part "mingw tests without Wine"
  cmake --preset mingw64 >/dev/null
  cmake --build --preset mingw64
  part "mingw64 build"
  ctest --preset mingw64 --output-on-failure
fi
part "Windows-side tests"
