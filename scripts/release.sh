#!/bin/sh
# Makes the release files of the checked-out commit in dist/ (or the folder given):
#   zspack-<version>.tar.gz        the tracked files under zspack-<version>/
#   zspack_<version>_<arch>.deb    the Debian package (amd64 on a PC)
#   zspack-<version>-win64.zip     the Windows zip
#   SHA256SUMS                     their checksums, for `sha256sum -c SHA256SUMS`
# Both packages are built from the source tarball as unpacked in a scratch folder, so they are
# what anyone who has only the tarball builds. Every file time is the release date:
# SOURCE_DATE_EPOCH when set, otherwise the date of the version's entry in CHANGELOG.md.
# Refuses a tree with uncommitted changes, and a version that CHANGELOG.md does not list.
#   scripts/release.sh [OUT-FOLDER]
set -eu
# cpack gives the folders it makes and the package's own members the modes that the umask
# leaves; Debian's package builds use 022 too.
umask 022
cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:-dist}
fail() { echo "release: $*" >&2; exit 1; }

[ -z "$(git status --porcelain)" ] ||
  fail "the tree has uncommitted changes; a release is made from a commit ($(git status --porcelain | head -n 3 | tr '\n' ' '))"
version=$(sed -n 's/^project(zspack VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "CMakeLists.txt names no version in project()"
date=$(sed -n "s/^## \[$(echo "$version" | sed 's/\./\\./g')\] - \([0-9-]*\)\$/\1/p" CHANGELOG.md)
[ -n "$date" ] || fail "CHANGELOG.md has no section \"## [$version] - yyyy-mm-dd\""
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date -u -d "$date" +%s)}
export SOURCE_DATE_EPOCH

./scripts/install-deps.sh --release
jobs=$(nproc 2>/dev/null || echo 2)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$out"
out=$(cd "$out" && pwd)
name=zspack-$version
tarball=$name.tar.gz
deb=zspack_${version}_$(dpkg --print-architecture).deb
zip=$name-win64.zip
rm -f "$out/$tarball" "$out/$deb" "$out/$zip" "$out/SHA256SUMS"

# The tarball: the commit's files in name order, with the release date, owner root and the
# modes that git records (644, or 755 for scripts), whatever the umask of the checkout.
git archive --format=tar --prefix="$name/" HEAD | tar -xf - -C "$scratch"
tar -cf - -C "$scratch" --sort=name --format=gnu --owner=0 --group=0 --numeric-owner \
  --mtime="@$SOURCE_DATE_EPOCH" --mode='u=rwX,go=rX' "$name" | gzip -9n >"$out/$tarball"
rm -rf "${scratch:?}/$name"

# The packages, built from the tarball alone.
tar -xzf "$out/$tarball" -C "$scratch"
src=$scratch/$name
cmake -S "$src" -B "$scratch/linux" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_TESTS=OFF \
  -DZSPACK_SANITIZE=OFF -DZSPACK_FUZZ=OFF -DZSPACK_BENCH=OFF -DZSPACK_STATIC=OFF >/dev/null
cmake --build "$scratch/linux" -j "$jobs" --target zspack >/dev/null
(cd "$scratch/linux" && cpack -G DEB -B "$scratch/packages" >/dev/null)
cmake -S "$src" -B "$scratch/mingw" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZSPACK_TESTS=OFF -DZSPACK_STATIC=ON >/dev/null
cmake --build "$scratch/mingw" -j "$jobs" --target zspack >/dev/null
(cd "$scratch/mingw" && cpack -G ZIP -B "$scratch/packages" >/dev/null)
cp "$scratch/packages/$deb" "$scratch/packages/$zip" "$out/"

cd "$out"
sha256sum "$tarball" "$deb" "$zip" >SHA256SUMS
echo "release $version ($date) in $out:"
cat SHA256SUMS
