#!/bin/sh
# Installs what building zspack needs, only where it is missing (Debian); with --release
# also what making the release files needs, with --test also what every test needs.
#   scripts/install-deps.sh [--release | --test]
set -eu
need=""
lean=""
have() { command -v "$1" >/dev/null 2>&1; }
pkg() { dpkg -s "$1" >/dev/null 2>&1 || need="$need $1"; }
have cmake || need="$need cmake"
have g++ || need="$need g++"
have make || need="$need make"
have acme || need="$need acme"
if [ "${1:-}" = "--release" ] || [ "${1:-}" = "--test" ]; then
  have git || need="$need git"
  have dpkg-shlibdeps || need="$need dpkg-dev"
  have x86_64-w64-mingw32-g++ || need="$need g++-mingw-w64-x86-64"
fi
if [ "${1:-}" = "--test" ]; then
  pkg libgtest-dev
  pkg libbenchmark-dev
  have sidplayfp || need="$need sidplayfp"
  have lintian || need="$need lintian"
  have mandoc || need="$need mandoc"
  have groff || need="$need groff-base"
  have man || need="$need man-db"
  have clang++ || need="$need clang"
  pkg libclang-rt-14-dev
  have llvm-profdata || have llvm-profdata-14 || need="$need llvm"
  have cppcheck || need="$need cppcheck"
  have clang-tidy || need="$need clang-tidy"
  have valgrind || need="$need valgrind"
  have wine || need="$need wine"
  # hardening-check alone, without the many tools devscripts recommends.
  have hardening-check || lean="$lean devscripts"
fi
if [ -n "$need$lean" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "installing:$need$lean"
  $SUDO apt-get update -qq
  [ -z "$need" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $need >/dev/null
  [ -z "$lean" ] || DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $lean >/dev/null
fi
