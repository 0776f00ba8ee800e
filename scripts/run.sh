#!/usr/bin/env bash
# Builds corvell.exe and runs it under Wine (on a private Xvfb display when
# there is no X display). The first run installs the project's stub viewer
# as a demo TV viewer at the default path, so the whole road can be seen.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# The 64-bit build where the host runs no 32-bit code.
preset=mingw
[ "$(./scripts/host-bits.sh)" = 32 ] || preset=mingw64
# A tree that a root test run left is not this user's to build in: then
# this user's own one.
build=build/$preset
if ! { mkdir -p "$build" 2>/dev/null && [ -w "$build" ] &&
       { [ ! -e "$build/CMakeCache.txt" ] || [ -w "$build/CMakeCache.txt" ]; }; }; then
  build=${XDG_CACHE_HOME:-$HOME/.cache}/corvell/$preset
  echo "build/$preset is not yours to write (a root test run made it): building in $build"
fi
cmake --preset $preset -B "$build" >/dev/null
cmake --build "$build" --target corvell corvell_help stub_viewer

# Stopping this script stops the program, the demo viewer and any display
# it started.
trap 'corvell_wine_stop 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
# shellcheck source=wine-env.sh
. ./scripts/wine-env.sh
viewer="$WINEPREFIX/drive_c/TV Capture Card/HDTVPCI.EXE"
if [ ! -e "$viewer" ]; then
  mkdir -p "$(dirname "$viewer")"
  cp "$build/tests/e2e/stub_viewer.exe" "$viewer"
  echo "Installed a demo viewer as C:\\TV Capture Card\\HDTVPCI.EXE (title \"TV Capture Card\")."
fi
echo "Display $DISPLAY; the viewer starts after the countdown from 10. Close it to see the shutdown countdown."
wine "$build/corvell.exe" &
wait $!
