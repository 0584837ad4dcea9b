#!/bin/bash
# Modules the host must refuse before it runs any of their code, with what is wrong in words:
# one built for another machine (a copy of a sound module marked as arm64 in its ELF header),
# and one whose c4d_main is data. `plugins` and `validate` both say so, and nothing crashes.
#   refused_modules.sh PROGRAM SOUND_MODULE DATA_ENTRY_MODULE RESOURCE_DIR
set -u
program=$1 sound=$2 dataEntry=$3 res=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
status=0
fail() { echo "FAILED: $*"; status=1; }

# e_machine, the two bytes at 18, from 62 (x86_64) to 183 (arm64).
foreign=$dir/broken_foreign.so
cp "$sound" "$foreign"
printf '\xb7\x00' | dd of="$foreign" bs=1 seek=18 conv=notrunc status=none

out=$("$program" plugins "$foreign" --res "$res" 2>&1); code=$?
printf 'plugins, another machine (exit %d): %s\n' "$code" "$out"
[ $code -eq 1 ] || fail "plugins on a module of another machine ended with $code"
grep -q "an ELF arm64 shared object, built for another machine" <<<"$out" || fail "plugins does not say what the file is"
grep -qi "no such file" <<<"$out" && fail "plugins calls a file that exists missing"

out=$("$program" validate "$foreign" --res "$res" --level 3 2>&1); code=$?
printf 'validate, another machine (exit %d):\n%s\n' "$code" "$out"
[ $code -eq 1 ] || fail "validate on a module of another machine ended with $code"
grep -q "^FAIL file.format module: built for arm64, not x86_64" <<<"$out" || fail "file.format does not name the CPU"
grep -q "^not run: lifecycle, descriptions, render; the module is an ELF arm64 shared object, built for another machine" \
  <<<"$out" || fail "validate does not list the checks it could not run"

out=$("$program" plugins "$dataEntry" --res "$res" 2>&1); code=$?
printf 'plugins, c4d_main as data (exit %d): %s\n' "$code" "$out"
[ $code -eq 1 ] || fail "plugins on a module whose c4d_main is data ended with $code"
grep -q "exports c4d_main as data (an ELF object symbol), not as a function" <<<"$out" || fail "plugins does not say c4d_main is data"

out=$("$program" validate "$dataEntry" --res "$res" --level 1 --no-isolate 2>&1); code=$?
printf 'validate --no-isolate, c4d_main as data (exit %d):\n%s\n' "$code" "$out"
[ $code -eq 1 ] || fail "validate --no-isolate on a module whose c4d_main is data ended with $code"
grep -q "^FAIL lifecycle.load module: cannot load module .*exports c4d_main as data" <<<"$out" ||
  fail "validate does not refuse the load"
exit $status
