#!/usr/bin/env bash
# Cross-builds zspack.exe with MinGW-w64 (static, warnings are errors) and the stand-in
# ACME.exe, then runs the whole-run case table of the test suite against zspack.exe under
# wine, in a private prefix (build-mingw/wineprefix): the same rows, exit codes, console
# text (with CR LF line ends) and generated files as the Linux build, plus what is
# Windows' own (assembler exit codes above 255, no search path for ACME.exe, the "-"
# program-name slot); runs the key wait on a console fed with input records; then makes the
# zip and packs the demo with it from an empty folder.
# Prints "windows-check: SKIPPED (reason)" and exits 0 when wine is missing or cannot run a
# program; any failure exits 1.
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

# --- Build -------------------------------------------------------------------------------
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
  -o "$standin" tests/support/standin_acme.c || fail "the stand-in ACME.exe did not build"

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

# The case table runs from the Linux test build, which scripts/test.sh has made already.
tests=$root/build/tests/zspack_tests
if [ ! -x "$tests" ]; then
  { cmake -S . -B build -DZSPACK_TESTS=ON && cmake --build build -j 2 --target zspack_tests; } \
    >"$build/windows-check-linux-build.log" 2>&1 ||
    { cat "$build/windows-check-linux-build.log" >&2; fail "the Linux test build failed"; }
fi

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

# --- The whole-run cases under wine ------------------------------------------------------
checks_started=$(date +%s)
if ! ZSPACK_TEST_LAUNCHER=wine ZSPACK_TEST_BINARY="$exe" ZSPACK_TEST_STANDIN="$standin" \
  "$tests" --gtest_filter='Runs/WholeRunTest.*' --gtest_brief=1 >"$build/windows-cases.log" 2>&1; then
  grep -E 'Failure|Expected|Which is|FAILED|error' "$build/windows-cases.log" | head -n 60 >&2
  fail "whole-run cases failed under wine (log: $build/windows-cases.log)"
fi
summary=$(grep -E '^\[  PASSED  \]|^\[  SKIPPED \] [0-9]' "$build/windows-cases.log" | tr '\n' ' ')
note "whole-run cases under wine: $summary in $(($(date +%s) - checks_started)) s"
# --- The key wait under wine ------------------------------------------------------------
# wine gives a pty no key events, so tests/windows/key_wait_check.cpp feeds its own console
# input (a modifier alone, a key-up, a mouse move, a focus change, two letters) and calls the
# packer's key wait, which must stop on the first letter and leave the console mode alone.
key_wait_check=$build/key_wait_check.exe
"$triplet-g++" -std=c++20 -O2 -Wall -Wextra -Wpedantic -Werror -static -I src \
  -o "$key_wait_check" tests/windows/key_wait_check.cpp src/driver/key_wait_win32.cpp ||
  fail "the key wait check did not build"
rc=0
python3 tests/windows/run_on_pty.py 120 wine "$key_wait_check" >"$build/key-wait.log" 2>&1 || rc=$?
[ "$rc" = 0 ] || { cat "$build/key-wait.log" >&2; fail "the key wait check under wine: exit code $rc"; }
note "key wait under wine: passed over a modifier, a key-up, a mouse and a focus event, stopped on a letter"

# --- The Windows zip ---------------------------------------------------------------------
# cpack -G ZIP in the MinGW build folder makes zspack-<version>-win64.zip. Unpacked into an
# empty folder it holds zspack.exe, the texts with CR LF line ends and the stand-ins with
# the demo tune in examples\; the README's Windows recipe (stand-ins and tune copied into
# an empty folder, a stand-in ACME.exe beside them) packs the demo from there into the
# Linux build's files and console text.
check_zip() {
  local version zipdir zip unpacked files expected pair text dll switches s=0 win lin rc file
  local -a args
  version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
  zipdir=$build/zip-check
  rm -rf "$zipdir"
  mkdir -p "$zipdir/unzipped"
  cpack -G ZIP -B "$zipdir/package" --config "$build/CPackConfig.cmake" >"$zipdir/cpack.log" 2>&1 ||
    { cat "$zipdir/cpack.log" >&2; fail "cpack -G ZIP in $build"; }
  zip=$zipdir/package/zspack-$version-win64.zip
  [ -f "$zip" ] || fail "cpack made no $(basename "$zip"): $(ls "$zipdir/package")"
  unpacked=$zipdir/unzipped
  (cd "$unpacked" && cmake -E tar xf "$zip") || fail "$(basename "$zip") does not unpack"

  files=$(cd "$unpacked" && find . ! -type d | LC_ALL=C sort | tr '\n' ' ')
  expected="./CHANGELOG.txt ./LICENSE.txt ./README.txt ./examples/MakeMe.a ./examples/PSID_header.a "
  expected+="./examples/demo.prg ./examples/placeholder_player.a ./generated-sources.txt ./zspack.exe "
  [ "$files" = "$expected" ] || fail "the zip holds $files, expected $expected"
  for pair in README.txt:README.md LICENSE.txt:LICENSE CHANGELOG.txt:CHANGELOG.md \
    generated-sources.txt:docs/generated-sources.md; do
    text=$unpacked/${pair%%:*}
    [ "$(wc -l <"$text")" = "$(LC_ALL=C grep -c $'\r$' "$text")" ] ||
      fail "${pair%%:*} in the zip: not every line ends with CR LF"
    cmp -s <(sed 's/\r$//' "$text") "$root/${pair#*:}" ||
      fail "${pair%%:*} in the zip is not ${pair#*:} with CR LF line ends"
  done
  for dll in $("$triplet-objdump" -p "$unpacked/zspack.exe" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-*.dll | user32.dll | advapi32.dll) ;;
      *) fail "zspack.exe in the zip imports $dll, which is not a system DLL" ;;
    esac
  done

  for switches in "demo.prg demo" "-p2 demo.prg demo"; do
    s=$((s + 1))
    read -r -a args <<<"$switches"
    win="$zipdir/windows $s"  # a blank in the working folder's path
    lin=$zipdir/linux-$s
    mkdir "$win" "$lin"
    cp "$unpacked"/examples/*.a "$unpacked/examples/demo.prg" "$win/"
    cp "$standin" "$win/ACME.exe"
    cp "$root"/examples/*.a "$root/examples/demo.prg" "$lin/"
    cp "$root/build/tests/standin_acme" "$lin/ACME.exe"
    rc=0
    (cd "$win" && timeout 60 wine "$unpacked/zspack.exe" "${args[@]}" </dev/null >pack.out 2>pack.err) || rc=$?
    [ "$rc" = 0 ] || { tail -n 5 "$win/pack.out" "$win/pack.err" >&2; fail "zspack.exe of the zip: exit code $rc for ${args[*]}"; }
    rc=0
    (cd "$lin" && "$root/build/zspack" "${args[@]}" </dev/null >pack.out 2>pack.err) || rc=$?
    [ "$rc" = 0 ] || fail "the Linux build: exit code $rc for ${args[*]}"
    for file in the_defines.a the_data.a acme_args.txt; do
      cmp "$win/$file" "$lin/$file" >&2 || fail "${args[*]} with the zip: $file differs from the Linux build's"
    done
    cmp -s <(sed 's/\r$//' "$win/pack.out") "$lin/pack.out" ||
      fail "${args[*]} with the zip: the console text differs from the Linux build's"
  done
  note "$(basename "$zip"): $(wc -c <"$zip") bytes, 9 files, texts in CR LF; packs the demo from an empty folder as the Linux build does"
}
check_zip

note "passed ($(($(date +%s) - started)) s in all)"
