#!/bin/sh
# Static and dynamic checks beyond the tests, run by scripts/test.sh after the builds:
#   1. clang-tidy over src/ but for the *_win32.cpp files, with the checked-in .clang-tidy
#      (compile commands from a configure in build-tidy; every enabled check is an error);
#   2. cppcheck over src/ (warning, performance, portability; inline suppressions only);
#   3. valgrind memcheck on full runs of build/zspack (the normal build, not a sanitizer
#      one: the two do not mix) with a stand-in ACME.exe, leaks included.
# Run it from anywhere: scripts/static-checks.sh. Each step must be clean.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=2

echo "-- clang-tidy"
cxx=clang++
command -v "$cxx" >/dev/null 2>&1 || cxx=g++
cmake -S . -B build-tidy -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DZSPACK_TESTS=OFF \
  -DZSPACK_SANITIZE=OFF -DZSPACK_FUZZ=OFF -DZSPACK_BENCH=OFF -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
# The Windows files need <windows.h>, which this host lacks; scripts/windows-check.sh
# builds them with warnings as errors.
ls src/*/*.cpp | grep -v '_win32\.cpp$' | xargs -P "$jobs" -n 3 clang-tidy -p build-tidy --quiet 2>/dev/null >build-tidy/clang-tidy.log || {
  grep -E "(warning|error):" build-tidy/clang-tidy.log || cat build-tidy/clang-tidy.log
  echo "clang-tidy: findings above" >&2
  exit 1
}
echo "clang-tidy: clean"

echo "-- cppcheck"
cppcheck --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++20 --quiet -I src src
echo "cppcheck: clean"

echo "-- valgrind"
if [ ! -x build/zspack ]; then
  # valgrind and the sanitizers do not mix: the build must be a plain one.
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_SANITIZE=OFF -DZSPACK_FUZZ=OFF >/dev/null
  cmake --build build -j "$jobs" --target zspack >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\nexit 0\n' >"$work/ACME.exe"
chmod +x "$work/ACME.exe"
# Seed corpus files are five switch bytes followed by the tracker file.
tail -c +6 fuzz/corpus/tune-all-features >"$work/tune.prg"
tail -c +6 fuzz/corpus/malformed-run-cut-short >"$work/cut.prg"
memcheck() {
  expected=$1
  shift
  status=0
  (cd "$work" && valgrind -q --error-exitcode=99 --leak-check=full --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible "$root/build/zspack" "$@" >"$work/stdout" 2>"$work/stderr") || status=$?
  if [ "$status" -ne "$expected" ]; then
    cat "$work/stderr" >&2
    echo "valgrind: zspack $* exited $status, expected $expected" >&2
    exit 1
  fi
}
memcheck 0 tune.prg tune
[ -s "$work/the_defines.a" ] && [ -s "$work/the_data.a" ] || { echo "valgrind run wrote no files" >&2; exit 1; }
memcheck 0 -s2 -p1 -a2000 tune.prg tune
memcheck 0 --crunch tune.prg tune
memcheck 0 --crunch -s1 tune.prg tune
memcheck 1 cut.prg tune
memcheck 2 -s9 tune.prg tune
echo "valgrind: clean"
