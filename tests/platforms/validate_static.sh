#!/usr/bin/env bash
# ombrel-host validate on a module this host cannot load (the macOS module, on Linux): its
# static checks of the file run and pass, the checks that need loading are listed as not run,
# and the command still ends with 0.
#   validate_static.sh PROGRAM MODULE
set -u
program="$1" module="$2"
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
out="$("$program" validate "$module" --level 10 --json "$report" 2>&1)"
code=$?
printf '%s\n' "$out"
[ "$code" -eq 0 ] || { echo "FAIL: expected exit code 0, got $code"; exit 1; }
if printf '%s\n' "$out" | grep -q '^FAIL '; then echo "FAIL: a static check failed"; exit 1; fi
printf '%s\n' "$out" | grep -q 'not run' || { echo "FAIL: the checks that need loading are not listed as not run"; exit 1; }
grep -q '"file"' "$report" || { echo "FAIL: the JSON report has no file checks"; exit 1; }
exit 0
