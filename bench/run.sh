#!/usr/bin/env bash
# Prints the figures of corvell.exe beside the baseline program (one window,
# one 1-second timer) measured in the same run, under Wine. Nothing here
# passes or fails; see docs/performance.md for a recorded run.
#   bench/run.sh [SAMPLES]     (default 20 closes for the latency)
set -euo pipefail
cd "$(dirname "$0")/.."
samples=${1:-20}
./scripts/setup.sh >/dev/null
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null
build=$PWD/build/mingw
work=$build/bench-run
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix CORVELL_XVFB_DISPLAY=88
unset DISPLAY
# The display and every program of the prefix end with this script.
trap 'corvell_wine_stop 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
# shellcheck source=../scripts/wine-env.sh
. scripts/wine-env.sh
zbuild="Z:${build//\//\\}"
drv=$build/bench/bench_driver.exe
wine "$drv" install "$zbuild"

echo "== machine"
echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo "$(wine --version), $(uname -sr)"

echo "== size (stripped) and imports"
for f in bench/baseline.exe corvell.exe; do
  cp "$build/$f" "$work/stripped.exe"
  i686-w64-mingw32-strip "$work/stripped.exe"
  imports=$(i686-w64-mingw32-objdump -p "$work/stripped.exe" | awk '/DLL Name/{print $3}' | tr '\n' ' ')
  echo "$(basename "$f"): $(stat -c %s "$work/stripped.exe") bytes; imports: $imports"
done

echo "== start-up"
wine "$drv" startup baseline 10
wine "$drv" startup corvell 10

echo "== 60 s of watching a viewer (host side: CPU time of all the process's threads"
echo "   from schedstat, nanosecond resolution; peak and present resident set)"
cputime() {  # ns on CPU, all threads
  cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'
}
fontpages() {  # kB of font files resident in the process: Wine renders text in-process
  awk '/^[0-9a-f]+-[0-9a-f]+ /{name=$6} /^Rss:/{ if (name ~ /\/fonts\/|\.tt[cf]$/) s += $2 } END {print s+0}' \
    /proc/"$1"/smaps
}
for kind in baseline corvell; do
  out=$work/watch-$kind.out
  # The driver keeps watching a little longer than the 60 s measured.
  wine "$drv" watch "$kind" 66 >"$out" &
  watcher=$!
  for _ in $(seq 300); do grep -q ready "$out" 2>/dev/null && break; sleep 0.1; done
  upid=$(pgrep -x "$kind.exe" | head -1)
  a=$(cputime "$upid")
  sleep 60
  b=$(cputime "$upid")
  hwm=$(awk '/VmHWM/{print $2}' "/proc/$upid/status")
  rss=$(awk '/VmRSS/{print $2}' "/proc/$upid/status")
  anon=$(awk '/RssAnon/{print $2}' "/proc/$upid/status")
  fonts=$(fontpages "$upid")
  echo "watch $kind: cpu=$(( (b - a) / 1000000 )) ms in 60 s; peak resident=${hwm} kB;" \
       "resident now=${rss} kB (private ${anon} kB, font files ${fonts} kB)"
  wait "$watcher"
done

echo "== detection latency"
wine "$drv" latency baseline "$samples"
wine "$drv" latency corvell "$samples"

echo "== timing, from Wine's relay trace with timestamps of the programs' own calls"
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /f /d \
  'kernel32.CreateProcessW;kernelbase.CreateProcessW;user32.ShowWindow;user32.ExitWindowsEx;user32.FindWindowW' >/dev/null 2>&1
wineserver -w
WINEDEBUG=+timestamp,+pid,+relay wine "$drv" ticks >"$work/ticks.out" 2>"$work/ticks.relay"
wine "$drv" timing baseline "Z:${work//\//\\}\\ticks.relay" "$(awk '/^pid/{print $2}' "$work/ticks.out")"
for i in 1 2 3; do
  WINEDEBUG=+timestamp,+pid,+relay timeout 120 wine "$drv" road >"$work/road$i.out" 2>"$work/road$i.relay" || true
  timeout 20 wineserver -w || wineserver -k
  wine "$drv" timing corvell "Z:${work//\//\\}\\road$i.relay" "$(awk '/^pid/{print $2}' "$work/road$i.out")"
done
wineserver -k
