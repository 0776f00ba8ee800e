#!/usr/bin/env bash
# The portable zip: the program, its help and the Chinese guide in one
# folder, the first two byte for byte as built, the guide in the form
# Notepad on Chinese Windows shows (code page 936, CRLF, no BOM).
#   check-zip.sh BUILD_DIR VERSION
set -uo pipefail
build=$(cd "$1" && pwd)
version=$2
zip=$build/Corvell-$version-win32.zip
top=Corvell-$version-win32
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$zip" ] || { echo "FAIL: no $zip"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

list=$(cmake -E tar tf "$zip" | sort)
want=$(printf '%s\n' "$top/corvell.exe" "$top/help.chm" "$top/readme.txt" | sort)
[ "$list" = "$want" ] || fail "zip holds:"$'\n'"$list"$'\n'"expected:"$'\n'"$want"

(cd "$tmp" && cmake -E tar xf "$zip") || fail "zip does not unpack"
cmp -s "$tmp/$top/corvell.exe" "$build/corvell.exe" || fail "corvell.exe differs from the one built"
cmp -s "$tmp/$top/help.chm" "$build/help.chm" || fail "help.chm differs from the one built"

guide=$tmp/$top/readme.txt
if iconv -f UTF-8 -t UTF-8 "$guide" >/dev/null 2>&1; then
  fail "guide is UTF-8 (or plain ASCII), which Notepad on 95/98/Me garbles"
fi
[ "$(head -c 3 "$guide" | od -An -tx1 | tr -d ' ')" != efbbbf ] || fail "guide starts with a BOM"
[ "$(grep -c -v $'\r$' "$guide")" = 0 ] || fail "guide has lines without CRLF"
if text=$(iconv -f CP936 -t UTF-8 "$guide"); then
  for must in "Corvell $version" "属性" "解除锁定" "help.chm" "开机时自动运行" \
              'C:\dorvanlog2k.txt' 'C:\dorvanlog9x.txt' '%LOCALAPPDATA%\Corvell\'; do
    grep -qF -- "$must" <<<"$text" || fail "guide does not say: $must"
  done
else
  fail "guide is not code page 936"
fi

if [ $failures -eq 0 ]; then echo "zip: $zip"; echo "$list"; echo "zip: all checks passed"; fi
exit $((failures > 0))
