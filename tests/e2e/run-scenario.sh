#!/usr/bin/env bash
# Runs one end-to-end scenario in a clean Wine prefix on its own X display:
#   run-scenario.sh NAME BUILD_DIR DISPLAY_NUMBER
# The driver works the real program; then, with every Wine process gone, a
# second pass reads the relay trace of the program's own system calls and
# the logs and files it left. A failed scenario keeps its prefix.
#
# The driver's table says who runs the scenario (`info`): the runner, or an
# ordinary Unix user whose prefix belongs to it. Unix permissions then stand
# in for a standard Windows user's rights (a read-only drive_c is a root of
# C: that takes no new file).
set -uo pipefail
name=$1
build=$(cd "$2" && pwd)
display=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/e2e/$name
mkdir -p "$build/e2e"

export CORVELL_XVFB_DISPLAY=$display
unset DISPLAY
user=
driver=$build/tests/e2e/e2e_scenarios.exe

# Runs a command as the scenario's user (or as is), keeping the environment.
as_user() {
  if [ -n "$user" ]; then
    setpriv --reuid="$user" --regid="$user" --init-groups \
      env HOME="$(getent passwd "$user" | cut -d: -f6)" USER="$user" "$@"
  else
    "$@"
  fi
}

# Whatever happens, the prefix's programs and the display end with the
# scenario.
trap 'as_user wineserver -k 2>/dev/null; corvell_wine_stop 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

# The calls the checks look at: the privilege and exit steps, close
# requests, and which form (A or W) the program's window, text,
# message, file, process and help calls take.
relay='advapi32.OpenProcessToken;advapi32.AdjustTokenPrivileges;user32.ExitWindowsEx'
relay="$relay;user32.RegisterHotKey;user32.UnregisterHotKey;user32.SetForegroundWindow"
for f in advapi32.LookupPrivilegeValue user32.PostMessage user32.CreateWindowEx \
         user32.SetWindowText user32.GetMessage user32.DispatchMessage \
         kernel32.CreateFile kernel32.CreateProcess hhctrl.ocx.HtmlHelp; do
  relay="$relay;${f}A;${f}W"
done

# One template prefix per build tree and user, made once (and again when
# the traced calls change); each scenario copies it.
template() {
  (
    flock 9
    if [ ! -f "$1/system.reg" ] || [ "$(cat "$1/relay" 2>/dev/null)" != "$relay" ]; then
      rm -rf "$1"
      mkdir -p "$1"
      [ -n "$user" ] && chown "$user:" "$1"
      export WINEPREFIX=$1
      # The display is this shell's; the prefix is made by its owner.
      unset CORVELL_XVFB_PID
      # shellcheck source=../../scripts/wine-env.sh
      CORVELL_DISPLAY_ONLY=1 . "$root/scripts/wine-env.sh"
      as_user bash -c '. "$1/scripts/wine-env.sh"' _ "$root"
      if ! as_user wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ /f /d "$relay" \
        >/dev/null 2>&1; then
        echo "FAIL - the template prefix takes no relay settings"
        exit 1
      fi
      as_user wineserver -w
      as_user wineserver -k 2>/dev/null
      corvell_wine_stop
      echo "$relay" >"$1/relay"
    fi
  ) 9>"$build/e2e/template.lock" || exit 1
  rm -rf "$work"
  mkdir -p "$work"
  cp -a "$1" "$work/prefix" || { echo "FAIL - no copy of the template prefix"; exit 1; }
}

template "$build/e2e/template"
export WINEPREFIX=$work/prefix
# shellcheck source=../../scripts/wine-env.sh
. "$root/scripts/wine-env.sh"
# Who runs it: "runner", or "user" with "locked" when C: is then read-only.
if ! info=$(wine "$driver" info "$name"); then
  echo "FAIL - the driver knows no scenario $name: $info"
  exit 1
fi
read -r who locked <<<"${info//$'\r'/}"
if [ "$who" = user ]; then
  user=corvell-e2e
  if ! id "$user" >/dev/null 2>&1 && ! useradd --system --create-home \
    --home-dir "/var/lib/$user" --shell /usr/sbin/nologin "$user"; then
    echo "FAIL - scenario $name needs the Unix user $user (create it as root)"
    exit 1
  fi
  wineserver -k
  template "$build/e2e/template-user"
fi

zbuild="Z:${build//\//\\}"
zwork="Z:${work//\//\\}"
if [ -n "$user" ]; then
  echo "== $name: prepare, as $user"
  as_user wine "$driver" prepare "$name" "$zbuild" >"$work/prepare.out" 2>&1
  prepare_rc=$?
  cat "$work/prepare.out"
  [ $prepare_rc -eq 0 ] || { echo "FAIL - prepare exited with $prepare_rc"; exit 1; }
  [ "$locked" = locked ] && chmod 555 "$WINEPREFIX/drive_c"
fi

echo "== $name: run (display $DISPLAY)"
WINEDEBUG=+pid,+relay as_user timeout 240 wine "$driver" run "$name" "$zbuild" \
  >"$work/run.out" 2>"$work/relay.log"
run_rc=$?
cat "$work/run.out"
if [ $run_rc -ne 0 ]; then
  # What Wine itself said, without the trace of calls.
  echo "== $name: the run exited with $run_rc; Wine's own messages:"
  grep -v -e ':Call ' -e ':Ret ' -e 'trace:relay' "$work/relay.log" | tail -20
fi
# Programs the scenario leaves running (the bystander, viewers) end here.
as_user timeout 15 wineserver -w || as_user wineserver -k

echo "== $name: what the system saw"
WINEDEBUG=-all as_user timeout 60 wine "$driver" check "$name" "$zwork\\relay.log" "$zwork\\run.out"
rc=$?
as_user wineserver -k 2>/dev/null

# Screenshots for people to look at.
for bmp in "$WINEPREFIX"/drive_c/e2e/shots/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "$work/$(basename "${bmp%.bmp}").png"
done
chmod 755 "$WINEPREFIX/drive_c" 2>/dev/null
# A run that failed fails the scenario even where its output looked whole.
[ $rc -eq 0 ] && rc=$run_rc
[ $rc -eq 0 ] && rm -rf "$work/prefix"
exit $rc
