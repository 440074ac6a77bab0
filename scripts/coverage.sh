#!/bin/sh
# Measures which code of src/ the tests run: builds zspack and its tests with clang's
# source-based coverage in build-coverage (the release build's optimisation and NDEBUG, so
# that what is measured is the code that ships), runs the whole test suite (the zspack
# processes the tests start included; the fuzz corpus replay is one of its tests) and
# prints, for src/ only:
#   - line, branch and function coverage per file and in total;
#   - every line never run and every branch direction never taken, as FILE:LINE.
# Tests that make the coverage runtime itself fail on purpose (a file-size limit on the
# run) skip themselves in this build and say why; the script lists them.
#
# It fails when src/ falls below the bar: every line and function run, at least 97 % of the
# branch directions taken. A branch that no test can take (a system call that cannot fail
# where it is made) is written so that it is one direction, not several.
#
#   scripts/coverage.sh                  # from any directory; about 3 minutes on 2 cores
#   COVERAGE_KEEP=1 scripts/coverage.sh  # keep the raw profiles in build-coverage/profiles
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-coverage
profiles=$build/profiles
command -v clang++ >/dev/null 2>&1 || { echo "coverage: clang++ is missing" >&2; exit 1; }
profdata=$(command -v llvm-profdata || command -v llvm-profdata-14)
cov=$(command -v llvm-cov || command -v llvm-cov-14)

# Counters relocated at run time let the profile live in a mapped file (%c below), so a
# run killed by a signal (the key wait's ^C tests) still leaves what it ran.
flags="-fprofile-instr-generate -fcoverage-mapping -mllvm -runtime-counter-relocation -DZSPACK_COVERAGE"
# The hardening flags stay out of this build: it measures with the flags it names.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_HARDEN=OFF -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$build" -j 2 >"$build/build.log" 2>&1 || { tail -n 40 "$build/build.log" >&2; exit 1; }

rm -rf "$profiles"
mkdir -p "$profiles"
# One profile per process (%p) and binary (%m): the tests start zspack many times.
LLVM_PROFILE_FILE="$profiles/%c%p-%m.profraw" ctest --test-dir "$build" -j 2 --output-on-failure \
  >"$build/ctest.log" 2>&1 || { tail -n 60 "$build/ctest.log" >&2; echo "coverage: tests failed" >&2; exit 1; }
grep -E "tests passed|tests failed" "$build/ctest.log"
sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/  skipped in this build: \1/p' "$build/ctest.log"

"$profdata" merge -sparse "$profiles"/*.profraw -o "$build/zspack.profdata"
[ -n "${COVERAGE_KEEP:-}" ] || rm -rf "$profiles"

# Every executable that holds code of src/; the first is named plainly, the others with
# -object.
objects=""
for binary in zspack tests/zspack_tests tests/zspack_e2e_tests tests/make_demo_tune; do
  [ -x "$build/$binary" ] && objects="$objects${objects:+ -object} $build/$binary"
done
# shellcheck disable=SC2086 # one word per option
"$cov" export -format=lcov -instr-profile "$build/zspack.profdata" $objects "$root/src" >"$build/src.lcov"

# lcov records per file: SF (file), DA (line, count), BRDA (line, block, branch, taken),
# FNDA (count, function); a line, branch direction or function may appear once per binary
# and counts as run when any binary ran it.
awk -v root="$root/" '
  function pct(hit, all) { return all == 0 ? "  -  " : sprintf("%5.1f", 100 * hit / all) }
  /^SF:/ { file = substr($0, 4); sub(root, "", file); if (!(file in seen)) { seen[file] = 1; order[++nfiles] = file } next }
  /^DA:/ { split(substr($0, 4), d, ","); key = file ":" d[1]; if (!(key in line)) { line[key] = 0; lfile[key] = file; lnum[key] = d[1] }
           if (d[2] > 0) line[key] = 1; next }
  /^BRDA:/ { split(substr($0, 6), b, ","); key = file ":" b[1] ":" b[2] ":" b[3]
             if (!(key in branch)) { branch[key] = 0; bfile[key] = file; bline[key] = b[1] }
             if (b[4] != "-" && b[4] > 0) branch[key] = 1; next }
  /^FNDA:/ { split(substr($0, 6), g, ","); key = file SUBSEP g[2]; if (!(key in fn)) { fn[key] = 0; fnf[file]++ }
             if (g[1] > 0 && !fn[key]) { fn[key] = 1; fnh[file]++ } next }
  END {
    for (k in line) { lt[lfile[k]]++; if (line[k]) lh[lfile[k]]++; else missedLines[lfile[k]] = missedLines[lfile[k]] " " lnum[k] }
    for (k in branch) { bt[bfile[k]]++; if (branch[k]) bh[bfile[k]]++; else missedBranches[bfile[k]] = missedBranches[bfile[k]] " " bline[k] }
    printf "%-36s %15s %15s %15s\n", "file (src/)", "lines %", "branches %", "functions %"
    for (i = 1; i <= nfiles; i++) {
      f = order[i]
      printf "%-36s %5s %9s %5s %9s %5s %9s\n", substr(f, 5), pct(lh[f], lt[f]), "(" lh[f]+0 "/" lt[f]+0 ")", pct(bh[f], bt[f]), "(" bh[f]+0 "/" bt[f]+0 ")", pct(fnh[f], fnf[f]), "(" fnh[f]+0 "/" fnf[f]+0 ")"
      LT += lt[f]; LH += lh[f]; BT += bt[f]; BH += bh[f]; FT += fnf[f]; FH += fnh[f]
    }
    printf "%-36s %5s %9s %5s %9s %5s %9s\n", "TOTAL", pct(LH, LT), "(" LH "/" LT ")", pct(BH, BT), "(" BH "/" BT ")", pct(FH, FT), "(" FH "/" FT ")"
    print ""
    print "Lines never run:"
    for (i = 1; i <= nfiles; i++) if (order[i] in missedLines) print "  " order[i] ":" sortnums(missedLines[order[i]])
    print "Branch directions never taken (one entry per direction):"
    for (i = 1; i <= nfiles; i++) if (order[i] in missedBranches) print "  " order[i] ":" sortnums(missedBranches[order[i]])
    # The bar: every line and function run, at least 97 % of the branch directions taken.
    if (LH < LT || FH < FT || BH * 100 < BT * 97) { print "coverage: below the bar of 100 % lines and functions, 97 % branches"; exit 1 }
    print "coverage: meets the bar of 100 % lines and functions, 97 % branches"
  }
  function sortnums(list,   n, a, i, j, t, out) {
    n = split(list, a, " ")
    for (i = 2; i <= n; i++) { t = a[i] + 0; for (j = i - 1; j >= 1 && a[j] + 0 > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
    for (i = 1; i <= n; i++) out = out " " a[i]
    return out
  }
' "$build/src.lcov"
