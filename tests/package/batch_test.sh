#!/bin/sh
# The README's loop over many tunes, in one folder with two tunes: every tune gives its own
# PSID file, no run fails, and the generated files are those of the last tune.
#   batch_test.sh SOURCE-FOLDER ZSPACK
set -eu
. "$(dirname "$0")/readme_recipe.sh"
src=$1
zspack=$2
need acme
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

mkdir "$scratch/bin" "$scratch/tunes"
ln -s "$zspack" "$scratch/bin/zspack"
cd "$scratch/tunes"
cp "$src"/examples/*.a .
ln -s "$(command -v acme)" ACME.exe
cp "$src/examples/demo.prg" a.prg
# A seed of the fuzz corpus is five switch bytes followed by a tracker file.
tail -c +6 "$src/fuzz/corpus/tune-two-songs" >b.prg
readme_recipe batch "$src/README.md" >"$scratch/recipe.sh"
PATH="$scratch/bin:$PATH" sh -eu "$scratch/recipe.sh" >"$scratch/batch.log" 2>&1 ||
  { cat "$scratch/batch.log" >&2; fail "the loop failed"; }
! grep -q '^failed:' "$scratch/batch.log" || { cat "$scratch/batch.log" >&2; fail "a run in the loop failed"; }
for tune in a b; do
  [ "$(head -c 4 "$tune.sid")" = PSID ] || fail "$tune.sid is not a PSID file"
done
! cmp -s a.sid b.sid || fail "the two tunes gave the same PSID file"
head -n 1 the_defines.a | grep -q 'b\.prg' || fail "the_defines.a is not the last tune's"
echo "batch: a.prg and b.prg packed into a.sid and b.sid"
