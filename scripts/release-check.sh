#!/bin/sh
# Checks that the release files are what they claim to be, for the commit checked out
# (uncommitted changes do not count: the release is made from two fresh clones):
# - scripts/release.sh in two clones, in folders of different depth, minutes apart and under
#   different umasks, gives the same SHA256SUMS; on a difference it lists the members of the
#   files that differ, with sizes, modes and times;
# - `sha256sum -c SHA256SUMS` passes in dist/;
# - the source tarball, unpacked alone without .git, runs ./scripts/demo.sh, whose generated
#   files equal those of the repository's demo;
# - the .deb built from a repository clone equals the one that release.sh built from the
#   tarball.
set -eu
cd "$(dirname "$0")/.."
repo=$(pwd)
# The unpacked source tarball has no history to clone; its release files are checked where
# they are made, from the repository.
if [ ! -e .git ]; then
  echo "skipped: not a git repository (the source tarball); the release check runs in a clone"
  exit 0
fi
fail() { echo "FAILED: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
commit=$(git rev-parse HEAD)

clone() {  # clone FOLDER: a fresh clone of the checked-out commit
  git clone -q --no-local "$repo" "$1"
  git -C "$1" checkout -q --detach "$commit"
}

# Lists what a release file holds, one member a line with mode, owner, size and time.
members() {
  case $1 in
    *.deb) dpkg-deb -c "$1"; dpkg-deb -I "$1" ;;
    *.tar.gz) tar -tvzf "$1" ;;
    *.zip) python3 - "$1" <<'PY'
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(oct(i.external_attr >> 16), i.file_size, i.CRC, "%04d-%02d-%02d %02d:%02d:%02d" % i.date_time, i.filename)
PY
    ;;
  esac
}

echo "== release in two clones"
clone "$scratch/first"
(umask 022 && "$scratch/first/scripts/release.sh" >"$scratch/first.log" 2>&1) ||
  { cat "$scratch/first.log" >&2; fail "scripts/release.sh in the first clone"; }
clone "$scratch/second/deeper/folder"
(umask 077 && "$scratch/second/deeper/folder/scripts/release.sh" "$scratch/second-dist" \
  >"$scratch/second.log" 2>&1) || { cat "$scratch/second.log" >&2; fail "scripts/release.sh in the second clone"; }
dist=$scratch/first/dist
cat "$dist/SHA256SUMS"
if ! cmp -s "$dist/SHA256SUMS" "$scratch/second-dist/SHA256SUMS"; then
  diff "$dist/SHA256SUMS" "$scratch/second-dist/SHA256SUMS" >&2 || true
  while read -r _ file; do
    cmp -s "$dist/$file" "$scratch/second-dist/$file" && continue
    echo "--- $file: members, first (<) and second (>) build" >&2
    members "$dist/$file" >"$scratch/a.list"
    members "$scratch/second-dist/$file" >"$scratch/b.list"
    diff "$scratch/a.list" "$scratch/b.list" >&2 || true
  done <"$dist/SHA256SUMS"
  command -v diffoscope >/dev/null && echo "diffoscope shows the bytes that differ" >&2
  fail "two release builds of $commit differ"
fi
(cd "$dist" && sha256sum -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS in dist/"

echo "== the demo from the source tarball"
mkdir "$scratch/alone"
tar -xzf "$dist"/zspack-*.tar.gz -C "$scratch/alone"
tree=$(echo "$scratch"/alone/zspack-*)
[ ! -e "$tree/.git" ] || fail "the tarball holds .git"
(cd "$tree" && ./scripts/demo.sh >"$scratch/demo-alone.log" 2>&1 </dev/null) ||
  { cat "$scratch/demo-alone.log" >&2; fail "./scripts/demo.sh from the unpacked tarball"; }
(cd "$scratch/first" && ./scripts/demo.sh >"$scratch/demo-repo.log" 2>&1 </dev/null) ||
  { cat "$scratch/demo-repo.log" >&2; fail "./scripts/demo.sh in the repository clone"; }
for file in the_defines.a the_data.a demo_c64 demo_psid.sid; do
  cmp "$scratch/first/work/demo/$file" "$tree/work/demo/$file" ||
    fail "the demo's $file from the tarball differs from the repository's"
done

echo "== the .deb from the repository clone"
# The demo left build/ configured as a release build without tests.
(cd "$scratch/first/build" && cpack -G DEB -B "$scratch/repo-deb" >/dev/null) || fail "cpack in the clone"
deb=$(cd "$dist" && echo zspack_*.deb)
if ! cmp -s "$scratch/repo-deb/$deb" "$dist/$deb"; then
  members "$scratch/repo-deb/$deb" >"$scratch/a.list"
  members "$dist/$deb" >"$scratch/b.list"
  diff "$scratch/a.list" "$scratch/b.list" >&2 || true
  fail "$deb from the repository differs from the one built from the tarball"
fi
echo "release files reproducible: $(wc -l <"$dist/SHA256SUMS") files, the same in both builds"
