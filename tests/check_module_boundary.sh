#!/usr/bin/env bash
# The module's boundary: it exports only c4d_main and needs only the platform's runtime.
#   check_module_boundary.sh elf MODULE
#   check_module_boundary.sh pe MODULE OBJDUMP
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
  *) fail "unknown kind $kind" ;;
esac
echo "module boundary ok: exports c4d_main only; needs only the platform runtime"
