#!/bin/bash
# Runs ombrel-host validate on a module at a level, in a process per check. With a check name,
# the run must fail with exit code 1 and a failure line of that check, and the command printed
# on that line must fail the same way again; without one, the run must pass. TIMEOUT_MS is the
# longest one case may run, for the modules that hang.
#   expect_validation.sh PROGRAM MODULE RESOURCE_DIR LEVEL [CHECK [TIMEOUT_MS]]
set -u
program=$1 module=$2 res=$3 level=$4 check=${5:-} timeout=${6:-}
report=$(mktemp)
trap 'rm -f "$report"' EXIT
args=("$module" --level "$level" --isolate --json "$report")
[ -n "$res" ] && args+=(--res "$res")
[ -n "$timeout" ] && args+=(--timeout-ms "$timeout")
out=$("$program" validate "${args[@]}" 2>&1)
code=$?
printf '%s\n' "$out"
if [ -z "$check" ]; then
  [ $code -eq 0 ] || { echo "expected a pass, got exit code $code"; exit 1; }
  grep -q '"passed": true' "$report" || { echo "the JSON report does not say passed"; exit 1; }
  exit 0
fi
[ $code -eq 1 ] || { echo "expected exit code 1, got $code"; exit 1; }
line=$(printf '%s\n' "$out" | grep -m1 "^FAIL $check ")
[ -n "$line" ] || { echo "no failure of check $check"; exit 1; }
# The JSON report holds the same failure with the same command.
grep -q "\"check\": \"$check\"" "$report" || { echo "the JSON report lacks $check"; exit 1; }
grep -q '"passed": false' "$report" || { echo "the JSON report says passed"; exit 1; }
# The failure line's command, run again through this program, reproduces the failure.
again=${line##*| reproduce: ombrel-host }
[ "$again" != "$line" ] || { echo "the failure line names no command"; exit 1; }
rerun=$(eval "\"$program\" $again" 2>&1)
rerunCode=$?
printf 'again: %s\n' "$rerun"
[ $rerunCode -eq 1 ] || { echo "the reproducing command ended with $rerunCode"; exit 1; }
printf '%s\n' "$rerun" | grep -q "^FAIL $check " || { echo "the reproducing command did not fail $check"; exit 1; }
exit 0
