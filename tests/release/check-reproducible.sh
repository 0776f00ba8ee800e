#!/usr/bin/env bash
# A release holds what its commit says and nothing else: the packages made
# again from a copy of the source, in other folders and later, are the same
# bytes, and SHA256SUMS holds for them. Also: no packages without the
# version's entry in CHANGELOG.md.
#   check-reproducible.sh BUILD_DIR SOURCE_DIR VERSION SOURCE_DATE_EPOCH
# A failed run keeps its second build in BUILD_DIR/release-rebuild.
set -uo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
version=$3
epoch=$4
work=$build/release-rebuild
zip=Corvell-$version-win32.zip
setup=Corvell-$version-setup.exe
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

[ -f "$build/SHA256SUMS" ] || { echo "FAIL: no SHA256SUMS in $build"; exit 1; }

echo "== SHA256SUMS"
(cd "$build" && sha256sum --strict -c SHA256SUMS) && ok "sha256sum -c passes" \
  || fail "sha256sum -c SHA256SUMS"
listed=$(awk '{ print $2 }' "$build/SHA256SUMS" | sort | tr '\n' ' ')
[ "$listed" = "$setup $zip " ] && ok "lists the installer and the zip" \
  || fail "SHA256SUMS lists '$listed', not the installer and the zip"

echo "== the commit's time"
pe=$(od -An -tu4 -j60 -N4 "$build/corvell.exe" | tr -d ' ')
stamp=$(od -An -tu4 -j$((pe + 8)) -N4 "$build/corvell.exe" | tr -d ' ')
[ "$stamp" = "$epoch" ] && ok "corvell.exe's PE time stamp is $epoch" \
  || fail "corvell.exe's PE time stamp is $stamp, not SOURCE_DATE_EPOCH $epoch"

echo "== the same commit built again"
started=$(date +%s)
rm -rf "$work"
mkdir -p "$work/src"
# The source as an archive of the commit holds it: no git, no build trees.
tar -C "$src" --exclude=./.git --exclude=./build --exclude="./${build#"$src"/}" -cf - . \
  | tar -C "$work/src" -xf - || { echo "FAIL: copying the source"; exit 1; }
again=$work/src/build/mingw
# What the README tells someone rebuilding a release to run, without the tests.
if ! (cd "$work/src" && SOURCE_DATE_EPOCH=$epoch cmake --preset mingw -DCORVELL_TESTS=OFF \
        && cmake --build --preset mingw --target package) >"$work/build.log" 2>&1; then
  tail -20 "$work/build.log"
  echo "FAIL: the second build failed; log in $work/build.log"
  exit 1
fi
echo "second build in $again: $(($(date +%s) - started)) s"
for f in corvell.exe help.chm "$zip" "$setup" SHA256SUMS; do
  if cmp -s "$build/$f" "$again/$f"; then
    ok "$f is the same, byte for byte"
  else
    fail "$f differs ($(stat -c %s "$build/$f" "$again/$f" | tr '\n' ' ')bytes long), in" \
      "$(cmp -l "$build/$f" "$again/$f" 2>/dev/null | wc -l) bytes, first:" \
      "$(cmp -l "$build/$f" "$again/$f" 2>/dev/null | head -3 \
         | awk '{ printf "byte %s (octal %s, then %s) ", $1, $2, $3 }')"
  fi
done

echo "== no packages without a CHANGELOG entry"
awk -v h="## $version" '$0 != h && index($0, h " ") != 1' "$src/CHANGELOG.md" >"$work/src/CHANGELOG.md"
if (cd "$work/src" && cmake --build --preset mingw --target package) >"$work/no-entry.log" 2>&1; then
  fail "packages made though CHANGELOG.md has no entry for $version"
elif grep -q "CHANGELOG.md has no entry for $version" "$work/no-entry.log"; then
  ok "the package target fails and says why"
else
  fail "the package target failed for another reason: $(tail -5 "$work/no-entry.log")"
fi

if [ $failures -eq 0 ]; then
  rm -rf "$work"
  echo "reproducible: all checks passed"
  exit 0
fi
echo "reproducible: $failures check(s) failed; second build kept in $work"
exit 1
