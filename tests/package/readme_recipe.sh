# readme_recipe NAME README: prints the shell block that follows the line
# "<!-- recipe: NAME ..." in README, without its ``` fences; fails when there is none, so a
# test cannot pass on a recipe that was renamed or removed.
readme_recipe() {
  awk -v name="$1" '
    index($0, "<!-- recipe: " name " ") == 1 || $0 == "<!-- recipe: " name " -->" { found = 1; next }
    found == 1 && /^```/ { found = 2; next }
    found == 2 && /^```/ { exit }
    found == 2 { print; lines++ }
    END { if (lines == 0) exit 1 }
  ' "$2" || { echo "README: no recipe \"$1\"" >&2; return 1; }
}

# fail MESSAGE: reports the failed check and ends the test.
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# need TOOL...: ends the test as skipped (exit code 77) when a tool is missing.
need() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
}
