#!/bin/sh
# Installs what building and testing zspack needs, only where it is missing (Debian).
set -eu
need=""
have() { command -v "$1" >/dev/null 2>&1; }
pkg() { dpkg -s "$1" >/dev/null 2>&1 || need="$need $1"; }
have cmake || need="$need cmake"
have g++ || need="$need g++"
have make || need="$need make"
have acme || need="$need acme"
if [ "${1:-}" = "--test" ]; then
  pkg libgtest-dev
  pkg libbenchmark-dev
  have sidplayfp || need="$need sidplayfp"
  have lintian || need="$need lintian"
  have mandoc || need="$need mandoc"
  have groff || need="$need groff-base"
  have man || need="$need man-db"
  have dpkg-shlibdeps || need="$need dpkg-dev"
  have clang++ || need="$need clang"
  pkg libclang-rt-14-dev
  have llvm-profdata || have llvm-profdata-14 || need="$need llvm"
  have cppcheck || need="$need cppcheck"
  have clang-tidy || need="$need clang-tidy"
  have valgrind || need="$need valgrind"
  have x86_64-w64-mingw32-g++ || need="$need g++-mingw-w64-x86-64"
  have wine || need="$need wine"
fi
if [ -n "$need" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "installing:$need"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $need >/dev/null
fi
