#!/bin/sh
# The Debian package: cpack -G DEB makes zspack_<version>_<arch>.deb with the control fields
# and files that Debian expects, lintian finds no error or warning, and the README's "Pack
# your own tune" recipe, run with nothing but the unpacked package, Debian's acme and
# sidplayfp, packs a C64 program and a PSID file that sidplayfp plays. The packaged binary is
# hardened as Debian builds its binaries, and lintian reports no hardening tag.
# A build without the hardening flags (-DZSPACK_HARDEN=OFF, the coverage build) says "plain"
# and skips the hardening checks.
#   deb_test.sh SOURCE-FOLDER BUILD-FOLDER hardened|plain
set -eu
. "$(dirname "$0")/readme_recipe.sh"
src=$1
build=$2
hardening=$3
need cpack dpkg-deb dpkg-shlibdeps lintian hardening-check acme sidplayfp
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack -G DEB"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$scratch/out/zspack_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "cpack made no $(basename "$deb"), only: $(ls "$scratch/out")"

# --- Control fields ----------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
for pair in Package=zspack Version="$version" Section=sound Priority=optional Recommends=acme \
  Suggests=sidplayfp; do
  [ "$(field "${pair%%=*}")" = "${pair#*=}" ] || fail "${pair%%=*}: \"$(field "${pair%%=*}")\", expected \"${pair#*=}\""
done
field Depends | grep -q '^libc6 (>= ' || fail "Depends does not come from the binary's libraries: $(field Depends)"
[ "$(field Description | wc -l)" -gt 5 ] || fail "the description has no long text"

# --- Contents ----------------------------------------------------------------------------
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$scratch/files"
cat >"$scratch/expected" <<'LIST'
./usr/bin/zspack
./usr/share/doc/zspack/CHANGELOG.md
./usr/share/doc/zspack/README.md
./usr/share/doc/zspack/changelog.gz
./usr/share/doc/zspack/copyright
./usr/share/doc/zspack/generated-sources.md
./usr/share/lintian/overrides/zspack
./usr/share/man/man1/zspack.1.gz
./usr/share/zspack/examples/MakeMe.a
./usr/share/zspack/examples/PSID_header.a
./usr/share/zspack/examples/demo.prg
./usr/share/zspack/examples/placeholder_player.a
LIST
diff "$scratch/expected" "$scratch/files" >&2 || fail "the package's files differ from the list above (< expected, > packaged)"

# --- lintian -----------------------------------------------------------------------------
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 ||
  { grep -v 'running with root privileges' "$scratch/lintian.log" >&2; fail "lintian reports errors or warnings"; }
echo "lintian: $(grep -c '^[EW]:' "$scratch/lintian.log" || true) errors and warnings"

# --- Hardening ---------------------------------------------------------------------------
root=$scratch/root
dpkg-deb -x "$deb" "$root"
if [ "$hardening" = hardened ]; then
  lintian -I --pedantic "$deb" >"$scratch/lintian-all.log" 2>&1 || true
  ! grep 'hardening-' "$scratch/lintian-all.log" >&2 || fail "lintian reports a hardening tag"
  hardening-check "$root/usr/bin/zspack" >"$scratch/hardening.log" 2>&1 || true
  for property in "Position Independent Executable" "Stack protected" "Read-only relocations" \
    "Immediate binding"; do
    grep -q "^ $property: yes" "$scratch/hardening.log" ||
      { cat "$scratch/hardening.log" >&2; fail "hardening-check: \"$property\" is not yes"; }
  done
else
  echo "hardening not checked: this build is not hardened"
fi

# --- The README's recipe with the unpacked package ---------------------------------------
readme_recipe linux-package "$src/README.md" >"$scratch/recipe.sh"
grep -q '/usr/share/zspack/examples/' "$scratch/recipe.sh" || fail "the recipe does not take the installed stand-ins"
grep -q 'cp ~/music/song.prg \.$' "$scratch/recipe.sh" || fail "the recipe no longer copies ~/music/song.prg"
# The package's files stand in $root instead of /; the user's tune is the demo tune.
sed -e "s|/usr/share/zspack/|$root/usr/share/zspack/|g" -e "s|~/music/song.prg \.\$|$src/examples/demo.prg song.prg|" \
  "$scratch/recipe.sh" >"$scratch/recipe.local.sh"
mkdir "$scratch/home"
(cd "$scratch/home" && PATH="$root/usr/bin:$PATH" sh -eu "$scratch/recipe.local.sh") </dev/null \
  >"$scratch/recipe.log" 2>&1 || { cat "$scratch/recipe.log" >&2; fail "the README's recipe failed"; }
tune=$scratch/home/mytune
[ "$(od -An -tx1 -N2 "$tune/song" | tr -d ' ')" = 0010 ] || fail "song is not a C64 program loading at \$1000"
[ "$(head -c 4 "$tune/song.sid")" = PSID ] || fail "song.sid is not a PSID file"
sidplayfp -t1 -w"$scratch/played.wav" "$tune/song.sid" >"$scratch/play.log" 2>&1 </dev/null ||
  { cat "$scratch/play.log" >&2; fail "sidplayfp did not play song.sid"; }
[ "$(head -c 4 "$scratch/played.wav")" = RIFF ] || fail "sidplayfp wrote no WAV file"
echo "deb: $(basename "$deb"), $(wc -c <"$deb") bytes; the README's recipe packs with the unpacked files"
