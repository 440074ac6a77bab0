#!/bin/sh
# Builds zspack and runs every test: the normal build (with the install, Debian package,
# manual page and README recipe checks), the sanitizer build, and the further checks
# (static analysis, coverage of src/ against its bar, fuzz smoke run, Windows build and zip
# under wine) that exist.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test
jobs=$(nproc 2>/dev/null || echo 2)

# The README's order, demo first: it leaves build/ configured without tests, which the
# configure below must override.
echo "== demo"
./scripts/demo.sh

# Every configure names the options it relies on, so that a value cached by an earlier
# command (the demo builds build/ without tests) cannot switch tests off; and ctest fails
# when it finds no test.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_TESTS=ON -DZSPACK_BENCH=ON \
  -DZSPACK_SANITIZE=OFF -DZSPACK_FUZZ=OFF -DZSPACK_STATIC=OFF >/dev/null
cmake --build build -j "$jobs"
echo "== ctest: normal build"
ctest --test-dir build --output-on-failure --no-tests=error -j "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZSPACK_TESTS=ON -DZSPACK_SANITIZE=ON \
  -DZSPACK_BENCH=OFF -DZSPACK_FUZZ=OFF -DZSPACK_STATIC=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
echo "== ctest: sanitizer build"
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j "$jobs"

for step in static-checks coverage fuzz-smoke windows-check; do
  if [ -x "scripts/$step.sh" ]; then
    echo "== $step"
    "./scripts/$step.sh"
  fi
done

# The acceptance vectors lie beside the repository on the developers' machines only.
if [ -f ../shared/vectors/check.py ]; then
  python3 ../shared/vectors/check.py --bin build/zspack
fi
echo "all tests passed"
