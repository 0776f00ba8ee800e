# Sourced: sets up the Wine environment the project runs its programs in.
#   WINEPREFIX   the project's prefix (created on first use)
#   DISPLAY      kept when it works, otherwise a private Xvfb is started
#                (on CORVELL_XVFB_DISPLAY, default :77); corvell_wine_stop
#                ends it and the prefix's programs again
#   CORVELL_WINE_BITS  32, or 64 where the host runs no 32-bit code
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
CORVELL_WINE_BITS=$("$(dirname "${BASH_SOURCE[0]}")/host-bits.sh")
export CORVELL_WINE_BITS
if [ "$CORVELL_WINE_BITS" = 64 ]; then
  export WINEARCH=win64
  case ":$PATH:" in
    *":$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:"*) ;;
    *) export PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH" ;;
  esac
else
  export WINEARCH=win32
fi
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree=}
if [ "$CORVELL_WINE_BITS" = 64 ]; then
  export WINEPREFIX=${WINEPREFIX:-$HOME/.local/share/corvell/wineprefix64}
else
  export WINEPREFIX=${WINEPREFIX:-$HOME/.local/share/corvell/wineprefix}
fi

corvell_display_ok() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# What this shell started, for corvell_wine_stop.
CORVELL_XVFB_PID=${CORVELL_XVFB_PID:-}

# Ends every program of the prefix and the display this shell started, if
# any; callers run it from their EXIT trap, so it runs on failure and on
# interrupt too.
corvell_wine_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${CORVELL_XVFB_PID:-}" ]; then
    kill "$CORVELL_XVFB_PID" 2>/dev/null || true
    wait "$CORVELL_XVFB_PID" 2>/dev/null || true
    CORVELL_XVFB_PID=
  fi
}

if ! corvell_display_ok; then
  n=${CORVELL_XVFB_DISPLAY:-77}
  export DISPLAY=:$n
  if ! corvell_display_ok; then
    # The server must not hold on to this shell's files (a caller's
    # lock, a test runner's pipes), or the runner waits for it.
    (
      for fd in /proc/$BASHPID/fd/*; do
        fd=${fd##*/}
        [ "$fd" -gt 2 ] && eval "exec $fd>&-"
      done
      exec Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1
    ) &
    CORVELL_XVFB_PID=$!
    for _ in $(seq 50); do corvell_display_ok && break; sleep 0.1; done
  fi
fi

if [ -z "${CORVELL_DISPLAY_ONLY:-}" ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # SimSun is what the windows ask for; AR PL UMing is a Song face of
  # the same build and size that stands in for it.
  for face in SimSun 宋体 NSimSun; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "$face" /t REG_SZ /d 'AR PL UMing CN' /f >/dev/null 2>&1 || true
  done
  # Wine here does not find its own fonts (the title-bar buttons are drawn
  # with Marlett) unless they are in the prefix.
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # Unmanaged windows: Wine draws the frames itself, and a closing window
  # is gone at once rather than after waiting ~2 s for a window manager
  # that the display may not have.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
fi
