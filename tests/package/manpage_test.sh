#!/bin/sh
# The manual page: no finding of mandoc -Tlint nor of groff's warnings, man -l shows it with
# every section, and its footer carries the project's version.
#   manpage_test.sh MANUAL-PAGE VERSION
set -eu
. "$(dirname "$0")/readme_recipe.sh"
page=$1
version=$2
need mandoc groff man

lint=$(mandoc -Tlint "$page" 2>&1) || true
[ -z "$lint" ] || { echo "$lint" >&2; fail "mandoc -Tlint reports the lines above"; }
warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed: $warnings"
[ -z "$warnings" ] || { echo "$warnings" >&2; fail "groff -man -ww reports the lines above"; }

shown=$(MANWIDTH=80 man -l "$page" 2>/dev/null) || fail "man -l $page failed"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" EXAMPLES "SEE ALSO"; do
  printf '%s\n' "$shown" | grep -qx "$section" || fail "man -l shows no section $section"
done
printf '%s\n' "$shown" | tail -n 1 | grep -q "zspack $version " ||
  fail "the footer does not name zspack $version: $(printf '%s\n' "$shown" | tail -n 1)"
echo "manual page: lint clean, $(printf '%s\n' "$shown" | wc -l) lines shown"
