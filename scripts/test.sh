#!/bin/sh
# Builds zspack and runs every test, one step after another, with each step's time and the
# total at the end: the demo; the normal build and its ctest (with the install, Debian
# package, manual page and README recipe checks); the sanitizer build and its ctest; static
# analysis; coverage of src/ against its bar; the fuzz smoke run; the Windows build and zip
# under wine; the release files built twice and compared. A step that is missing fails.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --test
jobs=$(nproc 2>/dev/null || echo 2)
started=$(date +%s)
times=""

# step NAME COMMAND...: runs one step and notes its time; set -e ends the run on a failure.
step() {
  name=$1
  shift
  echo "== $name"
  begin=$(date +%s)
  "$@"
  times="$times$(printf '%-26s %4d s' "$name" $(($(date +%s) - begin)))
"
}

# A script step: fails, rather than passes, when the script is not there.
script() {
  [ -x "scripts/$1.sh" ] || { echo "scripts/$1.sh is missing" >&2; exit 1; }
  "./scripts/$1.sh"
}

# Every configure names the options it relies on, so that a value cached by an earlier
# command (the demo builds build/ without tests) cannot switch tests off; and ctest fails
# when it finds no test.
normal_build() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_TESTS=ON -DZSPACK_BENCH=ON \
    -DZSPACK_SANITIZE=OFF -DZSPACK_FUZZ=OFF -DZSPACK_STATIC=OFF >/dev/null
  cmake --build build -j "$jobs"
  ctest --test-dir build --output-on-failure --no-tests=error -j "$jobs"
}
sanitizer_build() {
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DZSPACK_TESTS=ON -DZSPACK_SANITIZE=ON \
    -DZSPACK_BENCH=OFF -DZSPACK_FUZZ=OFF -DZSPACK_STATIC=OFF >/dev/null
  cmake --build build-sanitize -j "$jobs"
  ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j "$jobs"
}
# The acceptance vectors lie beside the repository on the developers' machines only.
vectors() {
  if [ -f ../shared/vectors/check.py ]; then
    python3 ../shared/vectors/check.py --bin build/zspack
  else
    echo "no acceptance vectors beside the repository"
  fi
}

# The README's order, demo first: it leaves build/ configured without tests, which the
# normal build's configure must override.
step "demo" script demo
step "normal build and ctest" normal_build
step "sanitizer build and ctest" sanitizer_build
step "static checks" script static-checks
step "coverage" script coverage
step "fuzz smoke" script fuzz-smoke
step "Windows check" script windows-check
step "release files" script release-check
step "acceptance vectors" vectors

echo "== times"
printf '%s' "$times"
printf '%-26s %4d s\n' "total" $(($(date +%s) - started))
echo "all tests passed"
