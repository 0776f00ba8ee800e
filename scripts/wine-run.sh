#!/usr/bin/env bash
# Runs a Windows program under Wine: the project's prefix, the Chinese
# locale (code page 936) and an X display (a private Xvfb when none). What
# the program leaves running, and the display, end with it.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
trap 'corvell_wine_stop 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
rc=0
wine "$@" &
wait $! || rc=$?
# Children it started (test programs) get a moment to finish on their own.
timeout 15 wineserver -w 2>/dev/null || true
exit $rc
