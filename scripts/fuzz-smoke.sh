#!/bin/sh
# Fuzz smoke run, part of scripts/test.sh: builds the libFuzzer target (clang++, ASan and
# UBSan) in build-fuzz and fuzzes the in-memory pack for FUZZ_SMOKE_SECONDS (default 60)
# on a fresh copy of the seed corpus fuzz/corpus/. Any crash, sanitizer report, broken
# pack invariant, timeout or memory blow-up fails it; the input is left in
# build-fuzz/smoke-findings/.
#
#   scripts/fuzz-smoke.sh                           # from any directory
#   FUZZ_SMOKE_SECONDS=10 scripts/fuzz-smoke.sh
#   build-fuzz/fuzz/fuzz_pack FILE                  # replay one input
#
# For the long run see scripts/fuzz-long.sh.
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SMOKE_SECONDS:-60}"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZSPACK_FUZZ=ON -DZSPACK_TESTS=OFF >/dev/null
cmake --build build-fuzz -j 2 --target fuzz_pack >/dev/null

rm -rf build-fuzz/smoke-corpus build-fuzz/smoke-findings
mkdir -p build-fuzz/smoke-corpus build-fuzz/smoke-findings
cp fuzz/corpus/* build-fuzz/smoke-corpus/
# A small quarantine and no fill of new blocks: the target allocates its text afresh on
# every input, and the defaults cost it a third of its speed and hundreds of MiB.
ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}"
export ASAN_OPTIONS
status=0
build-fuzz/fuzz/fuzz_pack build-fuzz/smoke-corpus \
  -dict=fuzz/zspack.dict -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -max_total_time="$seconds" -artifact_prefix=build-fuzz/smoke-findings/ -print_final_stats=1 \
  >build-fuzz/smoke.log 2>&1 || status=$?
if [ "$status" -ne 0 ] || [ -n "$(ls -A build-fuzz/smoke-findings)" ]; then
  tail -n 60 build-fuzz/smoke.log >&2
  echo "fuzz-smoke: finding in build-fuzz/smoke-findings/ (exit $status)" >&2
  exit 1
fi
grep -E "^#[0-9]+[[:space:]]+DONE" build-fuzz/smoke.log || tail -n 3 build-fuzz/smoke.log
echo "fuzz-smoke: no findings in ${seconds}s"
