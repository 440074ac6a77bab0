#!/bin/sh
# Builds zspack and packs the bundled demo tune twice in a fresh folder work/demo/:
# once into a C64 binary and once into a PSID file.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
# Every option is named, so that whatever an earlier command cached in build/ does not count.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_TESTS=OFF -DZSPACK_SANITIZE=OFF \
  -DZSPACK_FUZZ=OFF -DZSPACK_BENCH=OFF -DZSPACK_STATIC=OFF >/dev/null
cmake --build build -j "$jobs" --target zspack

work=work/demo
rm -rf "$work"
mkdir -p "$work"
cp examples/MakeMe.a examples/PSID_header.a examples/placeholder_player.a examples/demo.prg "$work"/
# zspack starts ./ACME.exe from the working folder; on Linux that is Debian's acme.
ln -s "$(command -v acme)" "$work/ACME.exe"
zspack=$(pwd)/build/zspack
cd "$work"
"$zspack" demo.prg demo_c64 </dev/null
"$zspack" -p2 demo.prg demo_psid </dev/null
echo
echo "Results in $work/: demo_c64 (C64 binary, player at \$1000), demo_psid.sid (PSID file)"
echo "Both play silence: they hold the stand-in player of examples/, which plays no music."
echo "A real player comes with the tracker; see \"Pack your own tune\" in README.md."
