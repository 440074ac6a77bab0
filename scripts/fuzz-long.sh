#!/bin/sh
# The long fuzz run: builds the libFuzzer target with clang in build-fuzz and fuzzes the
# whole in-memory pack for FUZZ_SECONDS (default 1800) on one core, starting from a copy
# of fuzz/corpus/. The growing corpus stays in build-fuzz/long-corpus (reused by the next
# long run), findings land in build-fuzz/long-findings/, the log in build-fuzz/long.log.
#
#   nohup scripts/fuzz-long.sh > /dev/null 2>&1 &      # then: tail -f build-fuzz/long.log
#   FUZZ_SECONDS=600 scripts/fuzz-long.sh
#
# A finding is a file in long-findings/: reproduce it with build-fuzz/fuzz/fuzz_pack FILE,
# fix it, and copy it into fuzz/corpus/ so that every ctest run replays it.
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-1800}"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZSPACK_FUZZ=ON -DZSPACK_TESTS=OFF >/dev/null
cmake --build build-fuzz -j 2 --target fuzz_pack >/dev/null

mkdir -p build-fuzz/long-corpus build-fuzz/long-findings
cp fuzz/corpus/* build-fuzz/long-corpus/
# One process: the second core is left to the rest of the machine.
# A small quarantine and no fill of new blocks: the target allocates its text afresh on
# every input, and the defaults cost it a third of its speed and hundreds of MiB.
ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}"
export ASAN_OPTIONS
status=0
build-fuzz/fuzz/fuzz_pack build-fuzz/long-corpus \
  -dict=fuzz/zspack.dict -max_len=16384 -timeout=10 -rss_limit_mb=2048 -max_total_time="$seconds" \
  -artifact_prefix=build-fuzz/long-findings/ -print_final_stats=1 \
  > build-fuzz/long.log 2>&1 || status=$?
tail -n 20 build-fuzz/long.log
if [ "$status" -ne 0 ] || [ -n "$(ls -A build-fuzz/long-findings)" ]; then
  echo "fuzz-long: findings in build-fuzz/long-findings/" >&2
  exit 1
fi
echo "fuzz-long: no findings in ${seconds}s"
