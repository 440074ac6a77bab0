#!/bin/sh
# cmake --install into a scratch prefix gives exactly the files of a plain installation
# (nothing of tests, benchmarks or fuzzing), and the installed zspack runs.
#   install_test.sh BUILD-FOLDER
set -eu
. "$(dirname "$0")/readme_recipe.sh"
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" 2>&1 ||
  { cat "$scratch/install.log" >&2; fail "cmake --install"; }
(cd "$scratch/prefix" && find . ! -type d | sort) >"$scratch/files"
cat >"$scratch/expected" <<'LIST'
./bin/zspack
./share/doc/zspack/CHANGELOG.md
./share/doc/zspack/LICENSE
./share/doc/zspack/README.md
./share/doc/zspack/generated-sources.md
./share/man/man1/zspack.1
./share/zspack/examples/MakeMe.a
./share/zspack/examples/PSID_header.a
./share/zspack/examples/demo.prg
./share/zspack/examples/placeholder_player.a
LIST
diff "$scratch/expected" "$scratch/files" >&2 || fail "the installed files differ from the list above (< expected, > installed)"

[ -x "$scratch/prefix/bin/zspack" ] || fail "bin/zspack is not executable"
banner=$("$scratch/prefix/bin/zspack" </dev/null | head -n 1)
[ "$banner" = "ZEPHYRSONGWORKSHOPCOMPOSERSUITE v3.2 - Music Packer version 0.0" ] ||
  fail "the installed zspack printed \"$banner\" first"
echo "install: $(wc -l <"$scratch/files") files, as listed"
