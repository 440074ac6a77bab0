#!/bin/sh
# Builds zspack and runs every test: the normal build, the sanitizer build, and the
# further checks (static analysis, fuzz smoke run, Windows build under wine) that exist.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_BENCH=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZSPACK_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

for step in static-checks fuzz-smoke windows-check; do
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
