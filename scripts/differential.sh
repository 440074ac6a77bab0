#!/usr/bin/env bash
# Differential run of two zspack builds: the same generated tunes and command lines through
# both, console text, exit codes and generated files compared byte for byte.
#
#   scripts/differential.sh REF_BINARY NEW_BINARY [COUNT] [--seed N] [--jobs N] [--show N] [--keep]
#
# COUNT tunes (default 2000) come from tools/make_random_tunes with a fixed seed; the tool
# is taken from $MAKE_RANDOM_TUNES, or from build/ (built there when missing). Prints the
# number of cases and of identical ones and the first differences in detail; exits 1 on
# any difference.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tool=${MAKE_RANDOM_TUNES:-$root/build/tests/make_random_tunes}
if [ ! -x "$tool" ]; then
  cmake -S "$root" -B "$root/build" >/dev/null
  cmake --build "$root/build" -j 2 --target make_random_tunes >/dev/null
fi
exec python3 "$root/scripts/differential.py" --tunes-tool "$tool" "$@"
