#!/usr/bin/env bash
# Builds corvell.exe and runs it under Wine (on a private Xvfb display when
# there is no X display; watch it with a VNC viewer or take screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw --target corvell corvell_help
exec ./scripts/wine-run.sh build/mingw/corvell.exe
