# Checks shared by the command-level shell tests: sourced, after the test has moved into a
# folder of its own.
fail() { echo "FAIL: $*" >&2; exit 1; }
expect_in() {  # TEXT PATTERN WHAT
  grep -qF -- "$2" <<<"$1" || fail "$3: expected \"$2\" in: $1"
}
# Only the named entries (none when no name is given) are in the folder: no hidden partial file.
expect_only() {  # FOLDER NAMES...
  local folder="$1"; shift
  local found expected
  found="$(cd "$folder" && ls -A | sort | tr '\n' ' ')"
  expected="$(printf '%s\n' "$@" | sed '/^$/d' | sort | tr '\n' ' ')"
  [ "$found" = "$expected" ] || fail "$folder holds [$found], expected [$expected]"
}
