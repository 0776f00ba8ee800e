#!/usr/bin/env bash
# Prints 32 when this host runs 32-bit x86 programs (and so 32-bit Wine),
# 64 when it does not: some kernels have IA-32 emulation switched off, and
# there the Windows-side tests run a 64-bit build of the same sources under
# 64-bit Wine. CORVELL_WINE_BITS, when set, decides instead.
if [ -n "${CORVELL_WINE_BITS:-}" ]; then
  echo "$CORVELL_WINE_BITS"
elif [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo 32
else
  echo 64
fi
