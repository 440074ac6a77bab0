#!/usr/bin/env bash
# Cross-builds zspack.exe with MinGW-w64 (warnings are errors) together with a stand-in
# ACME.exe, and runs them under wine in a private prefix (build-mingw/wineprefix):
#   - the usage text on the Windows console, byte for byte with CRLF line ends;
#   - packs whose the_defines.a, the_data.a and console report match the Linux build
#     (build/zspack) byte for byte, for several switch sets;
#   - the assembler start: exactly "-v9" "MakeMe.a" behind the "-" name slot, both files
#     complete before it starts, its exit code (also above 255) reported, no search path;
#   - no key wait when standard input is not a console.
# Prints "windows-check: SKIPPED (reason)" and exits 0 when wine is missing or cannot run a
# program; any failed check exits 1.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
started=$(date +%s)

fail() {
  echo "windows-check: FAILED: $*" >&2
  exit 1
}
skip() {
  echo "windows-check: SKIPPED ($*)"
  exit 0
}
note() { echo "windows-check: $*"; }

triplet=x86_64-w64-mingw32
for tool in "$triplet-g++" "$triplet-gcc" "$triplet-objdump"; do
  command -v "$tool" >/dev/null 2>&1 ||
    fail "$tool is missing (scripts/install-deps.sh --test installs g++-mingw-w64-x86-64)"
done

# --- Build -----------------------------------------------------------------------------
build=$root/build-mingw
log=$build/windows-check-build.log
mkdir -p "$build"
if ! {
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZSPACK_TESTS=OFF -DZSPACK_STATIC=ON \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON &&
    cmake --build "$build" -j 2 --target zspack
} >"$log" 2>&1; then
  cat "$log" >&2
  fail "the MinGW build of zspack.exe failed (warnings count as errors)"
fi
if grep -i 'warning' "$log" >&2; then fail "the MinGW build printed warnings"; fi
exe=$build/zspack.exe
[ -f "$exe" ] || fail "$exe was not built"

standin=$build/standin/ACME.exe
mkdir -p "$build/standin"
"$triplet-gcc" -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -static \
  -o "$standin" tests/windows/standin_acme.c || fail "the stand-in ACME.exe did not build"

# Fully static: wine (and a bare Windows) must need no DLL from the MinGW toolchain.
dlls=$("$triplet-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || fail "objdump lists no imported DLL of zspack.exe"
for dll in $dlls; do
  case "${dll,,}" in
    kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll | user32.dll | advapi32.dll) ;;
    *) fail "zspack.exe imports $dll, which is not a system DLL (not statically linked)" ;;
  esac
done
note "zspack.exe built warning-clean in $(($(date +%s) - started)) s, imports only: $(echo $dlls)"

# --- The Linux reference build -----------------------------------------------------------
# scripts/test.sh has built it already; it is brought up to date (or made) here all the same.
linux=$root/build/zspack
log=$build/windows-check-linux-build.log
if [ -f build/CMakeCache.txt ]; then
  cmake --build build -j 2 --target zspack >"$log" 2>&1 || { cat "$log" >&2; fail "the Linux build of zspack failed"; }
else
  { cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build build -j 2 --target zspack; } \
    >"$log" 2>&1 || { cat "$log" >&2; fail "the Linux build of zspack failed"; }
fi
[ -x "$linux" ] || fail "$linux was not built"

# --- Wine --------------------------------------------------------------------------------
command -v wine >/dev/null 2>&1 || skip "wine is not installed"
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko install prompts
unset DISPLAY WAYLAND_DISPLAY
wine_used=0
cleanup() {
  # Ends the wineserver of the private prefix only, with every program still in it.
  if [ "$wine_used" = 1 ] && command -v wineserver >/dev/null 2>&1; then
    wineserver -k >/dev/null 2>&1 || true
  fi
}
trap cleanup EXIT

wine_runs() {
  local out
  out=$(timeout 120 wine cmd /c echo wine-is-running </dev/null 2>/dev/null | tr -d '\r') || return 1
  [ "$out" = wine-is-running ]
}
make_prefix() { timeout 150 wineboot -i </dev/null >/dev/null 2>&1 && wine_runs; }
boot_started=$(date +%s)
wine_used=1
# The prefix is made once and kept for later runs; a broken one is made again once.
if [ -f "$WINEPREFIX/system.reg" ] && wine_runs; then
  prefix_state=reused
else
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  make_prefix || skip "wine cannot start a trivial program"
  prefix_state=created
fi
wineserver -p >/dev/null 2>&1 || true  # one server for all the runs below; ended on exit
note "wine prefix $prefix_state in $(($(date +%s) - boot_started)) s ($WINEPREFIX)"

# --- Inputs ------------------------------------------------------------------------------
work=$build/check
rm -rf "$work"
mkdir -p "$work"

# A small tune in the tracker's packed format, escape byte $BF, written from $403C up:
# three instruments, two glides, wavetable jump and end rows, pulse and filter programs,
# sector commands, two songs whose tracks use sectors 0, 2 and 5 (renumbered to 0, 1, 2),
# and bytes that a text-mode read would change or stop at (CR LF, Ctrl-Z).
make_tune() {
  local file=$1 cur=$((0x403C))
  byte() { printf "\\$(printf '%03o' "$1")" >>"$file"; }
  fill_to() {  # zero runs up to the address $1
    local n
    while ((cur < $1)); do
      n=$(($1 - cur))
      [ "$n" -gt 255 ] && n=255
      byte 0xBF; byte "$n"; byte 0
      cur=$((cur + n))
    done
  }
  at() {  # at ADDRESS BYTE...: literal bytes from ADDRESS on
    fill_to "$1"
    shift
    local b
    for b in "$@"; do
      if [ $((b)) -eq $((0xBF)) ]; then byte 0xBF; byte 1; byte 0xBF; else byte "$b"; fi
      cur=$((cur + 1))
    done
  }
  : >"$file"
  byte 0x01; byte 0x08; byte 0x3C; byte 0x40; byte 0xBF
  at 0x4040 0 0 0 0 0 0 6 1  0 0 0 0 0 0 5 0           # song records 0 and 1
  at 0x4063 0x12; at 0x4067 0x56                         # gldtbl, glides 3 and 7
  at 0x4083 0x34; at 0x4087 0x78                         # gldtbh
  at 0x40A0 0x09 0x0A 0x0B                               # adtb
  at 0x40C0 0xF0 0xA1 0xBF                               # srtb (an escape-valued byte)
  at 0x40E0 0x00 0x04 0x06                               # aptb
  at 0x4100 0x01 0x00 0xFF                               # pptb
  at 0x4120 0x00 0x01 0x00                               # fptb
  at 0x4140 0x0D 0x0A 0x1A 0x0D                          # v1tb: CR LF, Ctrl-Z, CR
  at 0x4180 0x00 0x05 0x00                               # v3tb: vibrato on instrument 1
  at 0x41A0 0x00 0x01 0x02                               # hrtb
  at 0x4200 0x41 0x41 0x90 0x11 0x21 0xFF 0x81 0xFE      # wave
  at 0x4300 0x00 0x0C 0x01 0x00 0x00 0x00 0x00 0x00      # trans
  at 0x4401 0x08 0x10 0x20 0x00 0x30 0x40 0x50           # ptb1
  at 0x4502 0x40 0x00 0x00 0x00 0x00 0x00                # ptb2
  at 0x4601 0x90 0x01 0x02                               # ftb1
  at 0x4800 0x00 0x02 0xA0 0x02 0xFF                     # song 0, voice 0
  at 0x4900 0x05 0xFF                                    # song 0, voice 1
  at 0x4A00 0x61 0x02 0xFE 0x00                          # song 0, voice 2
  at 0x4B00 0x05 0xF0                                    # song 1, voice 0
  at 0x4C00 0xFF; at 0x4D00 0xFF
  at 0x5400 0xC0 0x30 0x32 0xFB 0x63 0x34 0xFF           # sector 0
  at 0x5600 0xC1 0x67 0x40 0xF7 0x05 0xF8 0x10 0xFF      # sector 2
  at 0x5900 0xC2 0x50 0xF9 0x22 0xFA 0x33 0xF6 0x01 0xFF # sector 5
  byte 0xBF; byte 0                                      # end record
}
make_tune "$work/generated.prg"
# The demo tune of the repository, where it exists, with every switch set below; the tune
# above with the first set at least.
tunes=("$work/generated.prg")
[ -f examples/demo.prg ] && tunes=("$root/examples/demo.prg" "$work/generated.prg")

# A POSIX stand-in for the Linux reference runs: assembles nothing, prints nothing.
printf '#!/bin/sh\nexit 0\n' >"$work/acme-posix"
chmod +x "$work/acme-posix"

checks_started=$(date +%s)

# --- Helpers -----------------------------------------------------------------------------
checks=0
passed() { checks=$((checks + 1)); }

# run_win DIR STDIN NAME ARG...: runs zspack.exe in DIR, leaves NAME.out, NAME.err, NAME.rc.
run_win() {
  local dir=$1 input=$2 name=$3 rc=0
  shift 3
  (cd "$dir" && timeout 60 wine "$exe" "$@" <"$input" >"$name.out" 2>"$name.err") || rc=$?
  [ "$rc" -ne 124 ] || fail "zspack.exe $* in $dir did not end within 60 s (key wait on redirected input?)"
  echo "$rc" >"$dir/$name.rc"
}
run_linux() {
  local dir=$1 name=$2 rc=0
  shift 2
  (cd "$dir" && timeout 60 "$linux" "$@" </dev/null >"$name.out" 2>"$name.err") || rc=$?
  echo "$rc" >"$dir/$name.rc"
}
expect_rc() {  # expect_rc DIR NAME CODE
  local got
  got=$(cat "$1/$2.rc")
  if [ "$got" != "$3" ]; then
    sed 's/^/  stdout: /' "$1/$2.out" | tail -n 5 >&2 || true
    sed 's/^/  stderr: /' "$1/$2.err" | tail -n 5 >&2 || true
    fail "$1/$2: exit code $got, expected $3"
  fi
}
# Every line of the file ends with CR LF: Windows text-mode standard output.
expect_crlf() {
  local file=$1 lines crlf
  [ -s "$file" ] || fail "$file is empty"
  [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" = '\n' ] || fail "$file does not end with a line end"
  lines=$(wc -l <"$file")
  crlf=$(LC_ALL=C grep -c $'\r$' "$file" || true)
  [ "$lines" = "$crlf" ] || fail "$file: $crlf of $lines lines end with CR LF"
  if sed 's/\r$//' "$file" | LC_ALL=C grep -q $'\r'; then fail "$file holds a CR that is not part of CR LF"; fi
}
normalized() { sed 's/\r$//' "$1"; }
expect_same_text() {  # expect_same_text WINDOWS-FILE LINUX-FILE: equal after CR LF -> LF
  if ! diff <(normalized "$1") "$2" >"$work/diff.txt"; then
    head -n 20 "$work/diff.txt" >&2
    fail "$1 differs from $2 (after CR LF -> LF)"
  fi
}
expect_same_bytes() {
  cmp "$1" "$2" >&2 || fail "$1 is not byte-identical to $2"
}
expect_last_line() {  # expect_last_line FILE TEXT
  local last
  last=$(normalized "$1" | tail -n 1)
  [ "$last" = "$2" ] || fail "$1 ends with \"$last\", expected \"$2\""
}
# The stand-in was started as "-" "-v9" "MakeMe.a" after both sources were complete.
expect_assembler_call() {
  local dir=$1
  [ -f "$dir/acme_args.txt" ] || fail "$dir: the stand-in ACME.exe did not run"
  printf 'argc=3\nargv0=[-]\n[-v9]\n[MakeMe.a]\nthe_defines.a=%s\nthe_data.a=%s\n' \
    "$(wc -c <"$dir/the_defines.a")" "$(wc -c <"$dir/the_data.a")" >"$dir/acme_args.expected"
  if ! diff "$dir/acme_args.txt" "$dir/acme_args.expected" >&2; then
    fail "$dir: the assembler was not started with exactly -v9 MakeMe.a after both files were written"
  fi
}
new_dir() {  # new_dir PATH TUNE [with-acme]
  mkdir -p "$1"
  cp "$2" "$1/tune.prg"
  if [ "${3:-}" = with-acme ]; then cp "$standin" "$1/ACME.exe"; fi
}

# --- a) Usage text -----------------------------------------------------------------------
cat >"$work/usage.expected" <<'EOF'
ZEPHYRSONGWORKSHOPCOMPOSERSUITE v3.2 - Music Packer version 0.0
===============================================================
Invocation:  zspack.exe [switches] infile outfile

<infile> needs to be a binary C=64 file created with ZSWCS v3.2.
<outfile> will be a binary C=64 file, containing the Music with a Player
from either $1000 or a specified address.  This file might be used by
once for initilization:          lda #songnumber
                                 jsr $1000   [jsr _specified_address_]

do a 'jsr $1003' [jsr _specified_address_+3] with the appropriate rate
(i.E. Framerate, twice per frame, ...) after init for playback.

If you need to change the master volume at any time, call a c0desequence
like:  lda #newvolume   ;newvolume is in [0..$0f]
       jsr $1006 / jsr _specified_address_ + 6

switches: -sX      only pack song #X
          -aXXXX   select startadress XXXX for the music
          -c       crunch - use various algorithms to pack the musicdata
                   a little more tight ;-)
          -pX      Create PSID-file, directly playable with SIDplay.
                   X=0 SIDtype unknown, X=1: oldsid, X=2: newsid, X=3: anysid
EOF
[ "$(wc -l <"$work/usage.expected")" = 23 ] || fail "the expected usage text is not banner + 21 lines"
sed 's/$/\r/' "$work/usage.expected" >"$work/usage.expected.crlf"
mkdir -p "$work/usage"
run_win "$work/usage" /dev/null none
expect_rc "$work/usage" none 0
expect_crlf "$work/usage/none.out"
expect_same_bytes "$work/usage/none.out" "$work/usage.expected.crlf"
passed
run_win "$work/usage" /dev/null one only-one-argument.prg
expect_rc "$work/usage" one 0
expect_same_bytes "$work/usage/one.out" "$work/usage.expected.crlf"
passed
[ -z "$(ls "$work/usage"/*.a 2>/dev/null)" ] || fail "the usage runs wrote files"
note "usage text: banner + 21 lines, CR LF, exit code 0"

# --- b) Packs compared with the Linux build ----------------------------------------------
switch_sets=(
  "tune.prg tune"
  "-s1 -a2000 tune.prg tune2000"
  "-p2 tune.prg tune.sid"
  "-c tune.prg tune.crunched"
)
t=0
for tune in "${tunes[@]}"; do
  t=$((t + 1))
  s=0
  for set in "${switch_sets[@]}"; do
    s=$((s + 1))
    [ "$t" = 1 ] || [ "$s" = 1 ] || continue
    read -r -a args <<<"$set"
    lin=$work/linux/t$t-s$s
    win="$work/windows/t$t-s$s with blank"  # a blank in the working directory's path
    new_dir "$lin" "$tune"
    cp "$work/acme-posix" "$lin/ACME.exe"
    new_dir "$win" "$tune" with-acme
    run_linux "$lin" pack "${args[@]}"
    run_win "$win" /dev/null pack "${args[@]}"
    expect_rc "$lin" pack 0
    expect_rc "$win" pack 0
    expect_same_bytes "$win/the_defines.a" "$lin/the_defines.a"
    expect_same_bytes "$win/the_data.a" "$lin/the_data.a"
    expect_crlf "$win/pack.out"
    expect_same_text "$win/pack.out" "$lin/pack.out"
    expect_assembler_call "$win"
    passed
  done
  note "$(basename "$tune"): $([ "$t" = 1 ] && echo "${#switch_sets[@]} switch sets give" || echo "gives") the Linux build's files and report"
done

# Reference for the failure runs: the first tune, plain switches.
ref=$work/linux/t1-s1
fails=$work/windows/fail
mkdir -p "$fails"

# The assembler's exit code is reported and makes the run fail; Windows codes exceed 255.
for code in 3 300; do
  dir=$fails/exit$code
  new_dir "$dir" "${tunes[0]}" with-acme
  ZSACME_EXIT=$code run_win "$dir" /dev/null pack tune.prg tune
  expect_rc "$dir" pack 1
  expect_crlf "$dir/pack.out"
  expect_last_line "$dir/pack.out" "Assembling failed, ACME.exe exit code $code"
  diff <(normalized "$dir/pack.out" | sed '$d') "$ref/pack.out" >&2 ||
    fail "$dir: the report before the failure line differs from the Linux build's"
  expect_assembler_call "$dir"
  passed
done
note "assembler exit codes 3 and 300: reported, exit code 1"

# No ACME.exe in the working directory: also none taken from the search path or from
# zspack.exe's own directory.
app=$fails/app
mkdir -p "$app" "$fails/path"
cp "$exe" "$app/zspack.exe"
cp "$standin" "$app/ACME.exe"
cp "$standin" "$fails/path/ACME.exe"
search_dir=$(winepath -w "$fails/path" 2>/dev/null </dev/null) || true
[ -n "$search_dir" ] || fail "winepath gave no Windows path for $fails/path"
dir=$fails/no-acme
new_dir "$dir" "${tunes[0]}"
rc=0
(cd "$dir" && WINEPATH="$search_dir" timeout 60 wine "$app/zspack.exe" \
  tune.prg tune </dev/null >pack.out 2>pack.err) || rc=$?
[ "$rc" -ne 124 ] || fail "zspack.exe without ACME.exe did not end within 60 s"
echo "$rc" >"$dir/pack.rc"
expect_rc "$dir" pack 1
expect_last_line "$dir/pack.out" "Could not start ACME.exe, bailing out ..."
[ ! -e "$dir/acme_args.txt" ] && [ ! -e "$app/acme_args.txt" ] && [ ! -e "$fails/path/acme_args.txt" ] ||
  fail "an ACME.exe outside the working directory was started"
expect_same_bytes "$dir/the_defines.a" "$ref/the_defines.a"
expect_same_bytes "$dir/the_data.a" "$ref/the_data.a"
passed
note "no ACME.exe in the working directory: reported, exit code 1, no search path"

# Standard input not a console: no key wait, whether it is a file, a pipe or /dev/null.
dir=$fails/stdin
new_dir "$dir" "${tunes[0]}" with-acme
run_win "$dir" "$dir/tune.prg" file tune.prg tune
expect_rc "$dir" file 0
expect_same_text "$dir/file.out" "$ref/pack.out"
passed
rc=0
(cd "$dir" && printf 'x\r\n' | timeout 60 wine "$exe" tune.prg tune >pipe.out 2>pipe.err) || rc=$?
[ "$rc" -ne 124 ] || fail "zspack.exe with piped input did not end within 60 s (key wait?)"
echo "$rc" >"$dir/pipe.rc"
expect_rc "$dir" pipe 0
expect_same_text "$dir/pipe.out" "$ref/pack.out"
passed
note "standard input from /dev/null, a file and a pipe: the run ends without a key wait"

note "passed ($checks checks in $(($(date +%s) - checks_started)) s; $(($(date +%s) - started)) s in all)"
