#!/usr/bin/env bash
# Static analysis: clang-tidy (.clang-tidy) and cppcheck on the portable
# core, clang-tidy on its tests, and the same on the Windows-side code named
# below, parsed as the mingw-w64 tree compiles it. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

# Windows-side code, a directory each: its .cpp files, and its own headers
# through them.
windows_code=(src/platform/win32 tests/e2e tests/win32 tests/release)

cmake --preset native >/dev/null
core=$(find src -name '*.cpp' -not -path 'src/platform/win32/*' | sort)
core_tests=$(ls tests/*_test.cpp tests/support/*.cpp)
echo "== clang-tidy"
# Two files at a time, on the two cores; any finding fails the run.
printf '%s\n' $core $core_tests | xargs -P 2 -n 4 clang-tidy --quiet -p build/native

# A GoogleTest body is a function that a system header's macro declares,
# and clang-tidy keeps quiet about those: their length is counted here.
long=$(awk 'FNR == 1 { start = 0 }
            /^(TEST|TEST_F|TEST_P|TEST_CASE)\(/ { start = FNR; name = $0 }
            start && /^}/ { if (FNR - start - 1 > 60) print FILENAME ":" start ": " FNR - start - 1 " lines: " name
                            start = 0 }' tests/*_test.cpp tests/win32/*.cpp)
if [ -n "$long" ]; then
  printf '%s\n' "$long"
  echo "lint: test functions over 60 lines"
  exit 1
fi

echo "== clang-tidy, Windows side: ${windows_code[*]}"
# The compile commands of the shipped tree; configuring it is enough.
cmake --preset mingw >/dev/null
db=build/mingw
cxx=$(sed -n 's/^ *"command": "\([^ ]*\) .*/\1/p' "$db/compile_commands.json" | head -n 1)
# clang finds mingw-w64's C headers for the target, not the compiler's
# C++ ones: those come from the compiler itself.
tidy=(--quiet -p "$db" --extra-arg=--target="$("$cxx" -dumpmachine)")
while read -r dir; do
  tidy+=(--extra-arg=-isystem"$dir")
done < <("$cxx" -x c++ -E -v - </dev/null 2>&1 | sed -n 's|^ \(/.*/include/c++[^ ]*\)$|\1|p')
# In full depth the analyzer spends minutes on what windows.h declares.
tidy+=(--extra-arg=-Xclang --extra-arg=-analyzer-config --extra-arg=-Xclang
       --extra-arg=mode=shallow)
# A Win32 callback's LPARAM carries a pointer by design.
tidy+=(--checks=-performance-no-int-to-ptr)
tidy+=(--header-filter="^$PWD/($(IFS='|'; echo "${windows_code[*]}"))/")
mapfile -t windows < <(find "${windows_code[@]}" -name '*.cpp' | sort)
printf '%s\n' "${windows[@]}" | xargs -P 2 -n 1 clang-tidy "${tidy[@]}"

echo "== cppcheck"
cppcheck_flags=(--quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr
                "--enable=warning,style,performance,portability" --suppress=missingIncludeSystem)
# shellcheck disable=SC2086
cppcheck "${cppcheck_flags[@]}" -I src $core
cppcheck "${cppcheck_flags[@]}" --library=windows -D_WIN32 -DUNICODE -D_UNICODE -I src \
  "${windows_code[@]/#/-I}" "${windows[@]}"
echo "lint: clean"
