#!/usr/bin/env bash
# The macOS module link refuses a module with a symbol that nothing defines, instead of leaving
# it for the system's loader to miss when the host loads the module; the same module without
# that reference links.
#   check_link_refuses_undefined.sh CXX LINK_MODULE
set -euo pipefail
cxx="$1" link="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/module.cpp" <<'CODE'
#ifdef WITH_MISSING
int NotDefinedAnywhere(int);
#else
static int NotDefinedAnywhere(int a) { return a; }
#endif
extern "C" __attribute__((visibility("default"))) int c4d_main(int action, void*, void*, void*) {
  return NotDefinedAnywhere(action);
}
CODE
"$cxx" -O2 -fno-rtti -fvisibility=hidden -c "$work/module.cpp" -o "$work/sound.o"
"$cxx" -O2 -fno-rtti -fvisibility=hidden -DWITH_MISSING -c "$work/module.cpp" -o "$work/missing.o"
"$link" "$work/sound.dylib" "$work/sound.o" || { echo "FAIL: the sound module did not link"; exit 1; }
if "$link" "$work/missing.dylib" "$work/missing.o" 2>"$work/log"; then
  echo "FAIL: a module with an undefined symbol linked"
  exit 1
fi
grep -q NotDefinedAnywhere "$work/log" || { echo "FAIL: the linker's message does not name the symbol:"; cat "$work/log"; exit 1; }
echo "the link refuses the undefined symbol: $(grep -m1 NotDefinedAnywhere "$work/log")"
