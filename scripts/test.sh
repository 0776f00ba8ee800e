#!/usr/bin/env bash
# Builds everything and runs every test: the portable core natively, then
# the Windows executable, the Win32-layer tests and the end-to-end
# scenarios under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native --output-on-failure

cmake --preset mingw >/dev/null
cmake --build --preset mingw
ctest --preset mingw --output-on-failure
