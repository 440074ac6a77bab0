#!/usr/bin/env bash
# Whole-run measurements of zspack as a process, with hyperfine and /usr/bin/time:
#   1. the stand-in assembler: which do-nothing ACME.exe starts fastest;
#   2. the worst-case tune, assembler doing nothing, no key wait (stdin is /dev/null),
#      against `cp` of the same file, for the default build (libstdc++ and libgcc linked
#      statically, libc dynamically) and the fully static build (-DZSPACK_STATIC=ON);
#   3. the bundled example through the whole chain with the real acme, against `cp` and
#      against `acme -v9 MakeMe.a` alone on the same generated sources;
#   4. peak resident memory of whole runs (GNU time's %M, in KiB).
#
# Usage: bench/whole_run.sh            (from anywhere; builds what is missing)
# Environment: RUNS (default 50), WARMUP (default 5), KEEP=1 keeps the work folder.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
RUNS=${RUNS:-50}
WARMUP=${WARMUP:-5}
DYN_BUILD=$ROOT/build-bench
STATIC_BUILD=$ROOT/build-bench-static

for tool in hyperfine python3 cmake cc; do
  command -v "$tool" >/dev/null || { echo "missing: $tool (apt-get install hyperfine python3 cmake gcc)" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "missing: /usr/bin/time (apt-get install time)" >&2; exit 1; }

build() {  # build dir, extra cmake options..., then the targets after --
  local dir=$1; shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  targets=("$@")
  cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZSPACK_TESTS=OFF "${options[@]}" >/dev/null
  cmake --build "$dir" -j2 --target "${targets[@]}" >/dev/null
}
build "$DYN_BUILD" -DZSPACK_BENCH=ON -- zspack make_bench_tune
build "$STATIC_BUILD" -DZSPACK_STATIC=ON -- zspack
ZSPACK=$DYN_BUILD/zspack
ZSPACK_STATIC=$STATIC_BUILD/zspack

WORK=$(mktemp -d /tmp/zspack-whole-run.XXXXXX)
if [ "${KEEP:-0}" != 1 ]; then trap 'rm -rf "$WORK"' EXIT; fi

echo "== machine"
echo "cpu:    $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores"
echo "load:   $(uptime | sed 's/.*load average: //') (1, 5, 15 min) at start"
echo "zspack: $ZSPACK ($(stat -c %s "$ZSPACK") bytes, libc dynamic)"
echo "        $ZSPACK_STATIC ($(stat -c %s "$ZSPACK_STATIC") bytes, fully static)"
echo "runs:   $RUNS per command, $WARMUP warm-up, hyperfine -N (no shell), stdin /dev/null"

# Per command of a hyperfine JSON export: median and minimum wall time and the mean CPU
# time (user + system, the waited-for assembler included), in ms, tab-separated.
medians() {
  python3 - "$1" <<'PY'
import json, statistics, sys
for r in json.load(open(sys.argv[1]))["results"]:
    t = r["times"]
    print(f'{r["command"]}\t{statistics.median(t) * 1000:.3f}\t{min(t) * 1000:.3f}'
          f'\t{(r["user"] + r["system"]) * 1000:.3f}')
PY
}
field_of() {  # json, command, field (2 median, 3 min, 4 cpu) -> ms
  medians "$1" | awk -F'\t' -v c="$2" -v f="$3" '$1 == c { print $f }'
}
bench() {  # json file, commands...
  local json=$1; shift
  hyperfine -N --runs "$RUNS" --warmup "$WARMUP" --export-json "$json" "$@" >"$json.txt" 2>&1 || {
    cat "$json.txt" >&2; exit 1; }
  medians "$json" | awk -F'\t' '{ printf "  %-54s median %7.3f  min %7.3f  cpu %7.3f ms\n", $1, $2, $3, $4 }'
}

# --- 1. the do-nothing assembler ------------------------------------------------------
# Cheapest: a static ELF with no C library that makes the exit system call at once (x86-64
# Linux). For comparison a static C program with the C library, and a copy of /bin/true.
mkdir -p "$WORK/stand-in"
cd "$WORK/stand-in"
cat > nolibc.c <<'C'
/* Exits with code 0 at once: no C library, no start-up code. */
void _start(void) {
  __asm__ volatile("mov $60, %eax\n\txor %edi, %edi\n\tsyscall");
  __builtin_unreachable();
}
C
printf 'int main(void) { return 0; }\n' > libc.c
NOOP=$WORK/stand-in/noop-nolibc
if ! cc -O2 -static -nostdlib -fno-pie -no-pie -o noop-nolibc nolibc.c 2>/dev/null; then
  echo "(no x86-64 no-libc stand-in; using /bin/true)"
  NOOP=$WORK/stand-in/true-copy
fi
cc -O2 -static -o noop-libc-static libc.c
cp /bin/true true-copy
echo
echo "== 1. do-nothing ACME.exe candidates"
STAND_IN_CMDS=()
for c in noop-nolibc noop-libc-static true-copy; do [ -x "$c" ] && STAND_IN_CMDS+=("./$c"); done
bench "$WORK/stand-in.json" "${STAND_IN_CMDS[@]}"
echo "  used as ACME.exe: $(basename "$NOOP")"

# --- 2. worst case, assembler does nothing --------------------------------------------
mkdir -p "$WORK/worst"
cd "$WORK/worst"
"$DYN_BUILD/bench/make_bench_tune" worst worst.prg
"$DYN_BUILD/bench/make_bench_tune" empty empty.prg
cp "$NOOP" ACME.exe
"$ZSPACK" worst.prg out </dev/null >console.txt 2>&1  # once, to check it packs
grep -q "after reorganizing" console.txt || { echo "worst case did not pack as expected" >&2; exit 1; }
echo
echo "== 2. worst case ($(stat -c %s worst.prg) bytes in, $(stat -c %s the_data.a) + $(stat -c %s the_defines.a) bytes out), assembler does nothing"
CMD_DYN="$ZSPACK worst.prg out"
CMD_STATIC="$ZSPACK_STATIC worst.prg out"
CMD_CP="cp worst.prg copy.prg"
bench "$WORK/worst.json" "$CMD_CP" "$CMD_DYN" "$CMD_STATIC"
for f in 2 3 4; do
  name=$(case $f in 2) echo "median wall";; 3) echo "min wall";; 4) echo "mean cpu";; esac)
  awk -v n="$name" -v c="$(field_of "$WORK/worst.json" "$CMD_CP" $f)" \
      -v d="$(field_of "$WORK/worst.json" "$CMD_DYN" $f)" -v s="$(field_of "$WORK/worst.json" "$CMD_STATIC" $f)" \
      'BEGIN { printf "  ratio to cp (%s): default build %.2f, fully static %.2f   (target <= 2.00)\n", n, d / c, s / c }'
done

# --- 3. the bundled example through the whole chain with the real acme -------------------
echo
DEMO=$ROOT/examples/demo.prg
if [ -f "$DEMO" ] && command -v acme >/dev/null; then
  mkdir -p "$WORK/demo" "$WORK/demo-noop"
  for d in demo demo-noop; do
    cp "$DEMO" "$ROOT/examples/MakeMe.a" "$ROOT/examples/PSID_header.a" \
       "$ROOT/examples/placeholder_player.a" "$WORK/$d/"
  done
  ln -s "$(command -v acme)" "$WORK/demo/ACME.exe"
  cp "$NOOP" "$WORK/demo-noop/ACME.exe"
  cd "$WORK/demo"
  "$ZSPACK" demo.prg demo </dev/null >console.txt 2>&1
  [ -s demo ] || { echo "acme wrote no demo binary" >&2; exit 1; }
  echo "== 3. bundled example ($(stat -c %s demo.prg) bytes), whole chain with the real acme"
  bench "$WORK/demo.json" "cp demo.prg copy.prg" "$ZSPACK demo.prg demo" "$ZSPACK_STATIC demo.prg demo" \
        "acme -v9 MakeMe.a"
  cd "$WORK/demo-noop"
  echo "   zspack alone on the example (assembler does nothing):"
  bench "$WORK/demo-noop.json" "$ZSPACK demo.prg demo" "$ZSPACK_STATIC demo.prg demo"
else
  echo "== 3. skipped: examples/demo.prg or acme missing"
fi

# --- 4. peak resident memory ------------------------------------------------------------
echo
echo "== 4. peak resident memory (KiB; GNU time %M, median and max of 11 runs; target <= 4096)"
rss() {  # label, folder, command...
  local label=$1 dir=$2; shift 2
  (cd "$dir" && for _ in $(seq 11); do
     /usr/bin/time -o "$WORK/rss.one" -f %M "$@" </dev/null >/dev/null 2>&1 || true
     cat "$WORK/rss.one" >>"$WORK/rss.$$"
   done)
  sort -n "$WORK/rss.$$" | awk -v l="$label" '{ v[NR] = $1 } END { printf "  %-44s median %6d  max %6d\n", l, v[int((NR + 1) / 2)], v[NR] }'
  rm -f "$WORK/rss.$$"
}
rss "no-op stand-in ($(basename "$NOOP"))" "$WORK/worst" "$NOOP"
rss "cp worst.prg" "$WORK/worst" cp worst.prg copy.prg
rss "zspack empty tune (default build)" "$WORK/worst" "$ZSPACK" empty.prg out
rss "zspack empty tune (fully static)" "$WORK/worst" "$ZSPACK_STATIC" empty.prg out
rss "zspack worst case (default build)" "$WORK/worst" "$ZSPACK" worst.prg out
rss "zspack worst case (fully static)" "$WORK/worst" "$ZSPACK_STATIC" worst.prg out
if [ -d "$WORK/demo" ]; then
  rss "zspack example + real acme (default build)" "$WORK/demo" "$ZSPACK" demo.prg demo
  rss "acme -v9 MakeMe.a alone" "$WORK/demo" acme -v9 MakeMe.a
fi
echo
echo "load:   $(uptime | sed 's/.*load average: //') (1, 5, 15 min) at end"
