#!/usr/bin/env bash
# Prints the figures of corvell.exe beside two baseline programs measured in
# the same run, under Wine: baseline (one window, one 1-second timer that
# watches) and baseline_clock (the same, plus the clock line corvell shows,
# minimised while watching). Nothing here passes or fails; see
# docs/performance.md for a recorded run.
#   bench/run.sh [SAMPLES [ROUNDS]]   (default 20 closes for the latency,
#                                      2 rounds of the 60 s of watching)
set -euo pipefail
cd "$(dirname "$0")/.."
samples=${1:-20}
rounds=${2:-2}
kinds="baseline baseline_clock corvell"
./scripts/setup.sh >/dev/null
# The 64-bit build where the host runs no 32-bit code; the sizes are always
# those of the shipped 32-bit build.
cmake --preset mingw >/dev/null
cmake --build --preset mingw >/dev/null
shipped=$PWD/build/mingw
preset=mingw
if [ "$(scripts/host-bits.sh)" != 32 ]; then
  preset=mingw64
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset >/dev/null
fi
build=$PWD/build/$preset
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
echo "$(wine --version) ($CORVELL_WINE_BITS-bit, the $preset build), $(uname -sr)"

echo "== size (stripped) and imports"
for f in bench/baseline.exe bench/baseline_clock.exe corvell.exe; do
  cp "$shipped/$f" "$work/stripped.exe"
  i686-w64-mingw32-strip "$work/stripped.exe"
  imports=$(i686-w64-mingw32-objdump -p "$work/stripped.exe" | awk '/DLL Name/{print $3}' | tr '\n' ' ')
  echo "$(basename "$f"): $(stat -c %s "$work/stripped.exe") bytes; imports: $imports"
done

echo "== start-up"
for kind in $kinds; do wine "$drv" startup "$kind" 10; done

echo "== 60 s of watching a viewer, $rounds rounds (host side: CPU time of all the"
echo "   process's threads from schedstat, nanosecond resolution; peak and present"
echo "   resident set)"
cputime() {  # ns on CPU, all threads
  cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {printf "%d", s}'
}
fontpages() {  # kB of font files resident in the process: Wine renders text in-process
  awk '/^[0-9a-f]+-[0-9a-f]+ /{name=$6} /^Rss:/{ if (name ~ /\/fonts\/|\.tt[cf]$/) s += $2 } END {print s+0}' \
    /proc/"$1"/smaps
}
# The program's process in this run's prefix: other build trees on the
# machine may be running a program of the same name. The kernel keeps 15
# characters of a process name.
winpid() {
  local p
  for p in $(pgrep -x "${1:0:15}"); do
    if grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null; then
      echo "$p"
      return 0
    fi
  done
  echo "no $1 of this run's prefix" >&2
  return 1
}
ratio() {  # a / b to two places
  awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "n/a" }'
}
declare -A cpu hwm fonts
for round in $(seq "$rounds"); do
  for kind in $kinds; do
    out=$work/watch-$kind-$round.out
    # The driver keeps watching a little longer than the 60 s measured.
    wine "$drv" watch "$kind" 66 >"$out" &
    watcher=$!
    until grep -q ready "$out" 2>/dev/null; do
      if ! kill -0 "$watcher" 2>/dev/null; then
        cat "$out" >&2
        echo "watch $kind: the driver ended before watching" >&2
        exit 1
      fi
      sleep 0.1
    done
    upid=$(winpid "$kind.exe")
    a=$(cputime "$upid")
    sleep 60
    b=$(cputime "$upid")
    cpu[$kind]=$((b - a))
    hwm[$kind]=$(awk '/VmHWM/{print $2}' "/proc/$upid/status")
    rss=$(awk '/VmRSS/{print $2}' "/proc/$upid/status")
    anon=$(awk '/RssAnon/{print $2}' "/proc/$upid/status")
    fonts[$kind]=$(fontpages "$upid")
    echo "watch $kind (round $round): cpu=$((cpu[$kind] / 1000000)) ms in 60 s;" \
         "peak resident=${hwm[$kind]} kB; resident now=${rss} kB" \
         "(private ${anon} kB, font files ${fonts[$kind]} kB)"
    wait "$watcher"
  done
  for base in baseline baseline_clock; do
    echo "corvell / $base (round $round): cpu $(ratio "${cpu[corvell]}" "${cpu[$base]}")x," \
         "peak resident $(ratio "${hwm[corvell]}" "${hwm[$base]}")x," \
         "peak less font files $(ratio $((hwm[corvell] - fonts[corvell])) $((hwm[$base] - fonts[$base])))x"
  done
done

echo "== detection latency"
for kind in $kinds; do wine "$drv" latency "$kind" "$samples"; done

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
