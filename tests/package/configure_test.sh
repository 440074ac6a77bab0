#!/bin/sh
# Without GoogleTest a plain configure still builds zspack and says so in one line, while
# -DZSPACK_TESTS=ON stops with a clear message. GoogleTest is hidden from find_package.
#   configure_test.sh SOURCE-FOLDER C++-COMPILER
set -eu
. "$(dirname "$0")/readme_recipe.sh"
src=$1
cxx=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
hide="-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON"

cmake -S "$src" -B "$scratch/auto" -DCMAKE_CXX_COMPILER="$cxx" $hide >"$scratch/auto.log" 2>&1 ||
  { cat "$scratch/auto.log" >&2; fail "the configure without GoogleTest failed"; }
[ "$(grep -c 'GoogleTest not found: building zspack without its tests' "$scratch/auto.log")" = 1 ] ||
  { cat "$scratch/auto.log" >&2; fail "the configure did not say once that the tests are left out"; }
[ ! -e "$scratch/auto/CTestTestfile.cmake" ] || fail "tests were set up without GoogleTest"
cmake --build "$scratch/auto" --target help | grep -w zspack >/dev/null || fail "the configure has no zspack target"

if cmake -S "$src" -B "$scratch/on" -DCMAKE_CXX_COMPILER="$cxx" -DZSPACK_TESTS=ON $hide \
  >"$scratch/on.log" 2>&1; then
  fail "-DZSPACK_TESTS=ON without GoogleTest configured"
fi
grep -q 'ZSPACK_TESTS=ON needs GoogleTest' "$scratch/on.log" ||
  { cat "$scratch/on.log" >&2; fail "-DZSPACK_TESTS=ON without GoogleTest gave no clear message"; }
echo "configure without GoogleTest: zspack only, one line; with ZSPACK_TESTS=ON: stopped"
