#!/usr/bin/env bash
# Runs a Windows program under Wine: the project's prefix, the Chinese
# locale (code page 936) and an X display (a private Xvfb when none).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
exec wine "$@"
