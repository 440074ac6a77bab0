# The sanitizer and libFuzzer options of the fuzz runs, sourced by fuzz-smoke.sh and
# fuzz-long.sh (run from the repository root).
# A small quarantine and no fill of new blocks: the packer allocates its generated texts
# afresh on every input, and the defaults cost a third of the speed and hundreds of MiB.
ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16:max_malloc_fill_size=0}"
export ASAN_OPTIONS
fuzz_options="-dict=fuzz/zspack.dict -max_len=16384 -timeout=10 -rss_limit_mb=2048"
