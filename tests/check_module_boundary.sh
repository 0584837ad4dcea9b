#!/usr/bin/env bash
# The module's boundary: it exports only c4d_main and needs only the platform's runtime.
#   check_module_boundary.sh elf MODULE
#   check_module_boundary.sh pe MODULE OBJDUMP
#   check_module_boundary.sh macho MODULE
# The Mach-O file is read with LLVM's tools (Debian's llvm), a reader independent of the host's.
set -euo pipefail
kind="$1"
module="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$kind" in
  elf)
    exports="$(nm -D --defined-only "$module" | awk '{print $3}' | sort -u)"
    [ "$exports" = "c4d_main" ] || fail "exports other than c4d_main: $(echo "$exports" | tr '\n' ' ')"
    needed="$(readelf -d "$module" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
    for lib in $needed; do
      case "$lib" in
        libc.so.*|libm.so.*|libstdc++.so.*|libgcc_s.so.*|ld-linux*.so.*|libdl.so.*|libpthread.so.*) ;;
        # Sanitizer builds add their runtimes.
        libasan.so.*|libubsan.so.*|libtsan.so.*) ;;
        *) fail "needs $lib, which is not part of the C/C++ runtime" ;;
      esac
    done
    ;;
  pe)
    objdump="$3"
    dump="$("$objdump" -p "$module")"
    exports="$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{flag=1; next} flag && /^[ \t]*\[/{print $NF} flag && /^[ \t]*$/{flag=0}' | sort -u)"
    [ "$exports" = "c4d_main" ] || fail "exports other than c4d_main: $(echo "$exports" | tr '\n' ' ')"
    dlls="$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
    for dll in $dlls; do
      case "$dll" in
        kernel32.dll|msvcrt.dll|ucrtbase.dll|api-ms-win-crt-*.dll|user32.dll|advapi32.dll|ntdll.dll) ;;
        *) fail "imports $dll, which is not a system DLL" ;;
      esac
    done
    ;;
  macho)
    objdump="$(command -v llvm-objdump || command -v llvm-objdump-14)" || fail "llvm-objdump not found (Debian: llvm)"
    header="$("$objdump" --macho --private-header "$module")"
    echo "$header" | grep -Eq 'MH_MAGIC_64[[:space:]]+X86_64[[:space:]]' || fail "not a 64-bit Mach-O file for x86_64"
    echo "$header" | grep -Eq '[[:space:]]DYLIB[[:space:]]' || fail "not a dynamic library (MH_DYLIB)"
    exports="$("$objdump" --macho --exports-trie "$module" | awk '/^Exports trie:/{flag=1; next} flag {print $2}' | sort -u)"
    [ "$exports" = "_c4d_main" ] || fail "exports other than _c4d_main: $(echo "$exports" | head -5 | tr '\n' ' ')"
    # The libraries it loads, not its own name (LC_ID_DYLIB).
    dylibs="$("$objdump" --macho --private-headers "$module" |
      awk '$1 == "cmd" {load = ($2 ~ /^LC_(LOAD|LOAD_WEAK|REEXPORT|LAZY_LOAD|LOAD_UPWARD)_DYLIB$/)} load && $1 == "name" {print $2}')"
    for lib in $dylibs; do
      case "$lib" in
        /usr/lib/libSystem.B.dylib|/usr/lib/libc++.1.dylib|/usr/lib/libc++abi.dylib|/usr/lib/system/*) ;;
        *) fail "needs $lib, which is not part of the platform's runtime" ;;
      esac
    done
    minos="$("$objdump" --macho --private-headers "$module" | awk '/cmd LC_BUILD_VERSION/{flag=1} flag && $1 == "minos" {print $2; exit}')"
    [ -n "$minos" ] || fail "states no minimum macOS version (LC_BUILD_VERSION)"
    echo "minimum macOS version $minos"
    ;;
  *) fail "unknown kind $kind" ;;
esac
echo "module boundary ok: exports c4d_main only; needs only the platform runtime"
