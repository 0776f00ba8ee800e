#!/usr/bin/env bash
# The installer as a user meets it, in a clean Wine prefix on an X display
# of its own:
#   run-release.sh BUILD_DIR DISPLAY_NUMBER VERSION
# Takes a picture of the option page, installs silently, logs on again
# (Wine's wineboot runs the Startup folder as Windows does at log-on),
# installs again over the running program, silently and through the pages
# (a picture of the question), uninstalls while it runs; installs through
# the pages with nothing running (a picture of the finish page, which starts
# the program); then the same with /AUTORUN=0, and once more as 95/98/Me.
# Every check reads the real thing: files, .lnk files through IShellLinkW,
# the registry, the running program's window. A failed run keeps its prefix.
set -uo pipefail
build=$(cd "$1" && pwd)
display=$2
version=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/release-test
setup=$build/Corvell-$version-setup.exe
probe=$build/tests/release/release_probe.exe
failures=0

xvfb=
cleanup() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
# expect WHAT ACTUAL WANTED
expect() { if [ "$2" = "$3" ]; then ok "$1: $2"; else fail "$1: got '$2', want '$3'"; fi; }

[ -f "$setup" ] || { echo "FAIL: no $setup"; exit 1; }

Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=:$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "FAIL: no X display :$display"; exit 1; }

rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX=$work/prefix
# No menu entries on the host for the shortcuts the installer makes.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree="
# shellcheck source=../../scripts/wine-env.sh
. "$root/scripts/wine-env.sh"
c=$WINEPREFIX/drive_c

probe() { wine "$probe" "$@" 2>/dev/null | tr -d '\r'; }
unix() { winepath -u "$1" 2>/dev/null; }
# value NAME, from probe output on stdin
value() { sed -n "s/^$1=//p"; }

folders=$(probe folders)
programs=$(value programs <<<"$folders")
startup=$(value startup <<<"$folders")
localappdata=$(value localappdata <<<"$folders")
programfiles=$(value programfiles <<<"$folders")
[ -n "$programs" ] && [ -n "$startup" ] && [ -n "$localappdata" ] || {
  echo "FAIL: the shell folders: $folders"; exit 1; }

# The user's viewing records, in both places the program keeps them.
printf '"C:\\TV Capture Card\\HDTVPCI.EXE","%s","2024-05-01 20:00:00"\r\n' \
  "$(printf '电视' | iconv -f UTF-8 -t CP936)" >"$c/dorvanlog2k.txt"
cp "$c/dorvanlog2k.txt" "$c/dorvanlog9x.txt"
mkdir -p "$(unix "$localappdata\\Corvell")"
cp "$c/dorvanlog2k.txt" "$(unix "$localappdata\\Corvell\\dorvanlog2k.txt")"
records() { (cd "$c" && sha256sum dorvanlog2k.txt dorvanlog9x.txt \
                        "$(unix "$localappdata\\Corvell\\dorvanlog2k.txt")"); }
records_before=$(records)
# Everything on C: outside Windows' own folder and the temporary folders.
tree() { (cd "$c" && find . -path ./windows -prune -o -ipath '*/temp' -prune -o -print | sort); }
tree_before=$(tree)

installer="Corvell $version 安装"
# picture NAME PROBE-OUTPUT: the rectangle it names, from the screen
picture() {
  local x y w h
  IFS=, read -r x y w h <<<"$(value rect <<<"$2")"
  if [ -n "${h:-}" ]; then
    import -display ":$display" -window root -crop "${w}x${h}+${x}+${y}" +repage \
      "$work/$1.png" && ok "picture: $work/$1.png"
  else
    fail "nothing to take a picture of for $1: $2"
  fi
}

echo "== the option page"
wine "$setup" &
page=$(probe page "$installer" 开机时自动运行 60)
expect "开机时自动运行 is ticked when the page opens" "$(value state <<<"$page")" checked
picture installer-options "$page"
wineserver -k 2>/dev/null; wineserver -w

# uninstall ROOT INSTDIR: what Add/Remove Programs runs, then, once the
# copy of itself that the uninstaller starts from the temporary folder has
# ended, nothing of the install is left
uninstall() {
  wine "$(unix "$2\\uninstall.exe")" /S
  timeout 60 wineserver -w || fail "uninstaller did not end"
  [ ! -e "$(unix "$2")" ] && ok "program folder gone" || fail "program folder left: $2"
  [ ! -e "$(unix "$programs\\Corvell.lnk")" ] && ok "Start-menu shortcut gone" \
    || fail "Start-menu shortcut left"
  [ ! -e "$(unix "$startup\\Corvell.lnk")" ] && ok "Startup shortcut gone" \
    || fail "Startup shortcut left"
  expect "uninstall entry in $1" "$(probe uninstall-entry "$1")" absent
  [ "$(records)" = "$records_before" ] && ok "viewing records byte for byte as before" \
    || fail "viewing records changed: $(records)"
  diff <(echo "$tree_before") <(tree) >"$work/tree.diff" && ok "C: as before the install" \
    || fail "C: differs from before the install: $(grep '^[<>]' "$work/tree.diff" | tr '\n' ' ')"
}

# installed ROOT INSTDIR AUTORUN: what the silent install put down
installed() {
  local key=$1 dir=$2 autorun=$3 d entry ver lnk
  d=$(unix "$dir")
  expect "program folder holds" "$(ls "$d" 2>&1 | tr '\n' ' ')" "corvell.exe help.chm uninstall.exe "
  cmp -s "$d/corvell.exe" "$build/corvell.exe" && ok "corvell.exe as built" || fail "corvell.exe differs"
  cmp -s "$d/help.chm" "$build/help.chm" && ok "help.chm as built" || fail "help.chm differs"

  lnk=$(probe link "$programs\\Corvell.lnk")
  expect "Start-menu shortcut target" "$(value target <<<"$lnk")" "$dir\\corvell.exe"
  expect "Start-menu shortcut folder" "$(value workdir <<<"$lnk")" "$dir"
  if [ "$autorun" = yes ]; then
    lnk=$(probe link "$startup\\Corvell.lnk")
    expect "Startup shortcut target" "$(value target <<<"$lnk")" "$dir\\corvell.exe"
    expect "Startup shortcut folder" "$(value workdir <<<"$lnk")" "$dir"
  else
    [ ! -e "$(unix "$startup\\Corvell.lnk")" ] && ok "no Startup shortcut" \
      || fail "Startup shortcut made without the option"
  fi

  entry=$(probe uninstall-entry "$key")
  for field in DisplayName=Corvell "DisplayVersion=$version" Publisher=Corvell \
               "DisplayIcon=$dir\\corvell.exe,0" "UninstallString=\"$dir\\uninstall.exe\"" \
               "QuietUninstallString=\"$dir\\uninstall.exe\" /S"; do
    expect "entry ${field%%=*}" "$(value "${field%%=*}" <<<"$entry")" "${field#*=}"
  done

  ver=$(probe version "$dir\\corvell.exe")
  expect "version resource FileVersion" "$(value FileVersion <<<"$ver")" "$version"
  expect "version resource ProductVersion" "$(value ProductVersion <<<"$ver")" "$version"
  expect "version resource FILEOS (VOS__WINDOWS32)" "$(value fileos <<<"$ver")" 0x00000004
  case "$(value fixed <<<"$ver")" in
    "$version".*) ok "fixed file version $(value fixed <<<"$ver")" ;;
    *) fail "fixed file version $(value fixed <<<"$ver") is not $version" ;;
  esac
}

instdir="$localappdata\\Programs\\Corvell"
echo "== silent install, NT family"
wine "$setup" /S; expect "installer exit code" $? 0
installed HKCU "$instdir" yes
expect "no machine-wide entry" "$(probe uninstall-entry HKLM)" absent

echo "== log-on"
wineserver -k 2>/dev/null; wineserver -w
wine wineboot
main=$(probe main-caption)
run=$(probe window "$main" 30)
expect "program started at log-on from" "$(value exe <<<"$run")" "$instdir\\corvell.exe"

# running: how many main windows are shown, then their processes
running() { probe count "$main" | value count; }
pids() { probe count "$main" | value pids; }
# The time of the last change of the installed file's inode: an install
# rewrites the file, though with the same bytes and time stamp.
changed() { stat -c %z "$(unix "$instdir\\corvell.exe")"; }

echo "== silent install over the running program"
before=$(pids) stamp=$(changed)
sleep 1
wine "$setup" /S; expect "installer exit code" $? 0
[ "$(changed)" != "$stamp" ] && ok "corvell.exe written again" || fail "corvell.exe not rewritten"
installed HKCU "$instdir" yes
probe window "$main" 20 >/dev/null
expect "Corvell windows afterwards" "$(running)" 1
[ "$(pids)" != "$before" ] && ok "started again (pid $before, then $(pids))" \
  || fail "the same program still runs (pid $before)"
[ "$(records)" = "$records_before" ] && ok "viewing records untouched" \
  || fail "viewing records changed: $(records)"

echo "== the pages over the running program"
before=$(pids) stamp=$(changed)
sleep 1
wine "$setup" &
probe page "$installer" 开机时自动运行 60 >/dev/null || fail "the option page did not open"
probe press 开机时自动运行 1 20 || fail "Next on the option page"
question=$(probe box "Corvell 正在运行" 20)
picture installer-running "$question"
probe press "Corvell 正在运行" 1 20 || fail "OK on the question"
probe page "$installer" "完成(&F)" 60 >/dev/null || fail "the finish page did not open"
expect "运行 Corvell offered where the install started it again" \
  "$(probe shown "$installer" "运行 Corvell" | value shown)" no
probe press "完成(&F)" 1 20 || fail "Finish"
probe window "$main" 20 >/dev/null
[ "$(changed)" != "$stamp" ] && ok "corvell.exe written again" || fail "corvell.exe not rewritten"
expect "Corvell windows afterwards" "$(running)" 1
[ "$(pids)" != "$before" ] && ok "started again" || fail "the same program still runs"

echo "== silent uninstall while the program runs"
uninstall HKCU "$instdir"
expect "Corvell windows afterwards" "$(running)" 0
[ -d "$(unix "$localappdata\\Corvell")" ] && ok "per-user record folder kept" \
  || fail "per-user record folder removed"

echo "== the pages with nothing running"
wine "$setup" &
finish=$(probe page "$installer" "运行 Corvell" 90)
expect "运行 Corvell is ticked on the finish page" "$(value state <<<"$finish")" checked
picture installer-finish "$finish"
probe press "运行 Corvell" 1 20 || fail "Finish"
run=$(probe window "$main" 30)
expect "the finish page started" "$(value exe <<<"$run")" "$instdir\\corvell.exe"
expect "Corvell windows" "$(running)" 1
uninstall HKCU "$instdir"

echo "== silent install without the Startup option"
wine "$setup" /S /AUTORUN=0; expect "installer exit code" $? 0
installed HKCU "$instdir" no
uninstall HKCU "$instdir"

echo "== silent install, 95/98/Me family (Wine's win98 setting)"
wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win98 /f >/dev/null 2>&1
wineserver -w
instdir9x="$programfiles\\Corvell"
wine "$setup" /S; expect "installer exit code" $? 0
installed HKLM "$instdir9x" yes
expect "no per-user entry" "$(probe uninstall-entry HKCU)" absent
uninstall HKLM "$instdir9x"

cleanup
xvfb=
if [ $failures -eq 0 ]; then
  echo "release: all checks passed"
  rm -rf "$work/prefix"
  exit 0
fi
echo "release: $failures check(s) failed; prefix kept in $work/prefix"
exit 1
