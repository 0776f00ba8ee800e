#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Corvell.
# Does nothing when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

pkgs=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev
      g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
      wine wine32:i386 wine64 xvfb xauth xdotool x11-utils imagemagick
      fonts-wqy-microhei fonts-arphic-uming fonts-wine locales fp-utils clang libclang-rt-14-dev
      clang-tidy cppcheck nsis zip)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

if [ ${#need[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# Wine takes its ANSI code page from the locale; Chinese text on a Wine
# command line is garbled unless the host knows zh_CN.UTF-8 too.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
