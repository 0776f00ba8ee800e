#!/usr/bin/env bash
# Static analysis of the portable core: clang-tidy (.clang-tidy) and
# cppcheck. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
core=$(find src -name '*.cpp' -not -path 'src/platform/win32/*' | sort)
echo "== clang-tidy"
# Two files at a time, on the two cores; any finding fails the run.
printf '%s\n' $core | xargs -P 2 -n 4 clang-tidy --quiet -p build/native
echo "== cppcheck"
# shellcheck disable=SC2086
cppcheck --quiet --error-exitcode=1 --std=c++20 --language=c++ --inline-suppr \
  --enable=warning,style,performance,portability --suppress=missingIncludeSystem \
  -I src $core
echo "lint: clean"
