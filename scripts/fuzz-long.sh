#!/bin/sh
# The long fuzz run: builds the libFuzzer target (structure-aware mutator, ASan and UBSan)
# with clang in build-fuzz and fuzzes the whole in-memory pack for FUZZ_SECONDS (default
# 1800) on one core, starting from fuzz/corpus/ and whatever corpus the last long run left.
# The growing corpus stays in build-fuzz/long-corpus (reused by the next long run),
# findings land in build-fuzz/long-findings/, the log in build-fuzz/long.log; the last
# lines printed are the run's totals: executions, exec/s, cov/ft, corpus size and the
# share of inputs past depacking.
#
#   nohup scripts/fuzz-long.sh > /dev/null 2>&1 &      # then: tail -f build-fuzz/long.log
#   FUZZ_SECONDS=600 scripts/fuzz-long.sh
#
# A finding is a file in long-findings/: reproduce it with build-fuzz/fuzz/fuzz_pack FILE,
# fix it, and copy it into fuzz/corpus/ under a name that says what it found, so that every
# ctest run replays it.
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-1800}"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZSPACK_FUZZ=ON -DZSPACK_TESTS=OFF >/dev/null
cmake --build build-fuzz -j 2 --target fuzz_pack >/dev/null

mkdir -p build-fuzz/long-corpus build-fuzz/long-findings
cp fuzz/corpus/* build-fuzz/long-corpus/
. scripts/fuzz-options.sh
status=0
# One process: the second core is left to the rest of the machine.
build-fuzz/fuzz/fuzz_pack build-fuzz/long-corpus $fuzz_options -max_total_time="$seconds" \
  -artifact_prefix=build-fuzz/long-findings/ -print_final_stats=1 \
  > build-fuzz/long.log 2>&1 || status=$?
grep -E "^#[0-9]+[[:space:]]+DONE|^stat::(number_of_executed_units|average_exec_per_sec)|^fuzz_pack: " build-fuzz/long.log ||
  tail -n 20 build-fuzz/long.log
echo "fuzz-long: corpus of $(ls build-fuzz/long-corpus | wc -l) files"
if [ "$status" -ne 0 ] || [ -n "$(ls -A build-fuzz/long-findings)" ]; then
  tail -n 40 build-fuzz/long.log >&2
  echo "fuzz-long: findings in build-fuzz/long-findings/" >&2
  exit 1
fi
echo "fuzz-long: no findings in ${seconds}s"
