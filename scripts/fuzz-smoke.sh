#!/bin/sh
# Fuzz smoke run, part of scripts/test.sh: builds the libFuzzer target (clang++, ASan and
# UBSan, structure-aware mutator) in build-fuzz and fuzzes the in-memory pack for
# FUZZ_SMOKE_SECONDS (default 60) on a fresh copy of the seed corpus fuzz/corpus/. Any
# crash, sanitizer report, broken pack invariant, timeout or memory blow-up fails it; the
# input is left in build-fuzz/smoke-findings/. It prints the speed (executions per second
# of wall time, and per second of the fuzzer's own CPU time, which is what an idle
# machine would give), the coverage reached and the share of inputs past depacking.
#
#   scripts/fuzz-smoke.sh                           # from any directory
#   FUZZ_SMOKE_SECONDS=10 scripts/fuzz-smoke.sh
#   FUZZ_TARGET=fuzz_pack_bytes scripts/fuzz-smoke.sh  # byte-level mutations only
#   build-fuzz/fuzz/fuzz_pack FILE                  # replay one input
#
# For the long run see scripts/fuzz-long.sh.
set -eu
cd "$(dirname "$0")/.."
seconds="${FUZZ_SMOKE_SECONDS:-60}"
target="${FUZZ_TARGET:-fuzz_pack}"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DZSPACK_FUZZ=ON -DZSPACK_TESTS=OFF >/dev/null
cmake --build build-fuzz -j 2 --target "$target" >/dev/null

rm -rf build-fuzz/smoke-corpus build-fuzz/smoke-findings
mkdir -p build-fuzz/smoke-corpus build-fuzz/smoke-findings
cp fuzz/corpus/* build-fuzz/smoke-corpus/
. scripts/fuzz-options.sh
status=0
start=$(cut -d' ' -f1 /proc/uptime)
/usr/bin/time -f "cpu %U %S" -o build-fuzz/smoke.time build-fuzz/fuzz/"$target" build-fuzz/smoke-corpus \
  $fuzz_options -max_total_time="$seconds" -artifact_prefix=build-fuzz/smoke-findings/ -print_final_stats=1 \
  >build-fuzz/smoke.log 2>&1 || status=$?
if [ "$status" -ne 0 ] || [ -n "$(ls -A build-fuzz/smoke-findings)" ]; then
  tail -n 60 build-fuzz/smoke.log >&2
  echo "fuzz-smoke: finding in build-fuzz/smoke-findings/ (exit $status)" >&2
  exit 1
fi
grep -E "^#[0-9]+[[:space:]]+DONE" build-fuzz/smoke.log || tail -n 3 build-fuzz/smoke.log
grep -E "^fuzz_pack: " build-fuzz/smoke.log || true
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/smoke.log)
awk -v runs="$runs" -v start="$start" -v load="$(cut -d' ' -f1 /proc/loadavg)" '
  /^cpu / { cpu = $2 + $3 }
  END {
    getline now < "/proc/uptime"; split(now, t, " ")
    printf "fuzz-smoke: %d executions, %.0f exec/s wall, %.0f exec/s of CPU time (load average %s)\n",
           runs, runs / (t[1] - start), runs / cpu, load
  }' build-fuzz/smoke.time
echo "fuzz-smoke: no findings in ${seconds}s"
