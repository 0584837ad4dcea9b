#!/bin/bash
# What validate writes where: with --json - the report alone on standard output, everything else
# on standard error; a --json path that cannot be written and a --plugin the module lacks are
# usage errors (exit 2) found before any check runs.
#   validate_output.sh PROGRAM MODULE RESOURCE_DIR
set -u
program=$1 module=$2 res=$3
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
status=0
fail() { echo "FAILED: $*"; status=1; }

"$program" validate "$module" --res "$res" --level 2 --json - >"$dir/out" 2>"$dir/err"; code=$?
printf 'exit %d; stderr:\n' "$code"; cat "$dir/err"
[ $code -eq 0 ] || fail "--json - ended with $code"
[ "$(head -c1 "$dir/out")" = "{" ] && [ "$(tail -n1 "$dir/out")" = "}" ] || fail "standard output is not the JSON report alone"
grep -q '"passed": true' "$dir/out" || fail "the report on standard output does not say passed"
grep -q '^validate: level 2' "$dir/err" || fail "the summary is not on standard error"
[ -e ./- ] && fail "a file named - was made"

# Before the run: nothing is checked, and the reason is the system's.
out=$("$program" validate "$module" --res "$res" --level 1 --json "$dir/missing/report.json" 2>&1); code=$?
printf 'missing folder (exit %d): %s\n' "$code" "$out"
[ $code -eq 2 ] || fail "a --json path in a missing folder ended with $code"
grep -q "cannot write .*report.json.*: there is no folder" <<<"$out" || fail "no reason for the --json path"
grep -q "^validate: level" <<<"$out" && fail "the checks ran before the --json path was refused"
out=$("$program" validate "$module" --res "$res" --level 1 --json "$dir" 2>&1); code=$?
[ $code -eq 2 ] || fail "a folder as --json ended with $code"
grep -q "it is a folder" <<<"$out" || fail "no reason for a folder as --json"
mkdir "$dir/locked" && chmod 500 "$dir/locked"
if [ ! -w "$dir/locked" ]; then  # root writes anywhere
  out=$("$program" validate "$module" --res "$res" --level 1 --json "$dir/locked/report.json" 2>&1); code=$?
  printf 'folder without write permission (exit %d): %s\n' "$code" "$out"
  [ $code -eq 2 ] || fail "a --json path in a folder without write permission ended with $code"
  grep -q "Permission denied" <<<"$out" || fail "the system's reason is missing"
fi

out=$("$program" validate "$module" --res "$res" --level 1 --plugin 42 2>&1); code=$?
printf -- '--plugin 42 (exit %d): %s\n' "$code" "$out"
[ $code -eq 2 ] || fail "--plugin 42 ended with $code"
grep -q -- "--plugin 42: the module registers no such plug-in; its plug-ins: 1099901 " <<<"$out" ||
  fail "--plugin 42 does not list the plug-ins"
grep -q "^FAIL" <<<"$out" && fail "--plugin 42 is reported as a failure of the module"
exit $status
