#!/usr/bin/env bash
# Runs one end-to-end scenario in a clean Wine prefix on its own X display:
#   run-scenario.sh NAME BUILD_DIR DISPLAY_NUMBER
# The driver works the real program; then, with every Wine process gone, a
# second pass reads the relay trace of the program's own system calls and
# the logs and files it left. A failed scenario keeps its prefix.
set -uo pipefail
name=$1
build=$(cd "$2" && pwd)
display=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/$name
template=$build/e2e/template
mkdir -p "$build/e2e"

export CORVELL_XVFB_DISPLAY=$display
unset DISPLAY

# One template prefix per build tree, made once; each scenario copies it.
(
  flock 9
  if [ ! -f "$template/system.reg" ]; then
    export WINEPREFIX=$template
    # shellcheck source=../../scripts/wine-env.sh
    . "$root/scripts/wine-env.sh"
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /f /d \
      'advapi32.OpenProcessToken;advapi32.LookupPrivilegeValueW;advapi32.AdjustTokenPrivileges;user32.ExitWindowsEx;user32.PostMessageW' \
      >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$build/e2e/template.lock"

rm -rf "$work"
mkdir -p "$work"
cp -a "$template" "$work/prefix"
export WINEPREFIX=$work/prefix
# shellcheck source=../../scripts/wine-env.sh
. "$root/scripts/wine-env.sh"

zbuild="Z:${build//\//\\}"
zwork="Z:${work//\//\\}"
driver=$build/tests/e2e/e2e_scenarios.exe

echo "== $name: run (display $DISPLAY)"
WINEDEBUG=+pid,+relay timeout 240 wine "$driver" run "$name" "$zbuild" >"$work/run.out" 2>"$work/relay.log"
cat "$work/run.out"
# Programs the scenario leaves running (the bystander, viewers) end here.
timeout 15 wineserver -w || wineserver -k

echo "== $name: what the system saw"
WINEDEBUG=-all timeout 60 wine "$driver" check "$name" "$zwork\\relay.log" "$zwork\\run.out"
rc=$?
wineserver -k 2>/dev/null

# Screenshots for people to look at.
for bmp in "$WINEPREFIX"/drive_c/e2e/shots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "$work/$(basename "${bmp%.bmp}").png"
done
[ $rc -eq 0 ] && rm -rf "$work/prefix"
exit $rc
