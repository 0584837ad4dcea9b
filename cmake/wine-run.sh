#!/bin/bash
# Runs a Windows x64 program under wine, headless, in a dedicated prefix.
# It is the CMAKE_CROSSCOMPILING_EMULATOR of cmake/mingw-w64-x86_64.cmake, so
# ctest calls it once per test and often several times at once: the prefix is
# created by the first call only, under a lock, and the others wait for it.
#
#   cmake/wine-run.sh program.exe [args...]   run a program (exit status is its own)
#   cmake/wine-run.sh                         only create the prefix (takes ~15 s once)
#
# Environment (all optional):
#   WINEPREFIX        prefix to use      (default: ${TMPDIR:-/tmp}/ombrel-wine)
#   WINEDEBUG         wine log channels  (default: -all)
#   WINEDLLOVERRIDES  DLL overrides      (default: no Mono, Gecko, menu builder, debugger)
#   OMBREL_WINE       wine loader to use (default: wine64, /usr/lib/wine/wine64, wine)
set -eu

: "${WINEPREFIX:=${TMPDIR:-/tmp}/ombrel-wine}"
: "${WINEDEBUG:=-all}"
# mscoree/mshtml disabled: no dialog offering to install Mono or Gecko.
# winemenubuilder disabled: no .desktop files or menus written under $HOME.
# winedbg disabled: a crashing program then exits with its exception code
# (0xc0000005 -> 5); with winedbg attached it sometimes exits with 0.
: "${WINEDLLOVERRIDES:=mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d}"
WINEARCH=win64
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES WINEARCH

if [ -n "${OMBREL_WINE:-}" ]; then
    wine=$OMBREL_WINE
elif command -v wine64 >/dev/null 2>&1; then
    wine=$(command -v wine64)
elif [ -x /usr/lib/wine/wine64 ]; then
    # Debian 12's wine64 package puts the loader here only; /usr/bin/wine
    # (package wine) is a script that would prefer a 32-bit loader.
    wine=/usr/lib/wine/wine64
elif command -v wine >/dev/null 2>&1; then
    wine=$(command -v wine)
else
    echo "wine-run.sh: wine not found (Debian: apt-get install wine64 wine)" >&2
    exit 127
fi
case $wine in
    # Started directly, the loader needs to know its own path to start
    # child processes (the /usr/bin/wine script sets this too).
    */wine64) : "${WINELOADER:=$wine}"; export WINELOADER ;;
esac
if [ -z "${WINESERVER:-}" ]; then
    if [ -x "$(dirname "$wine")/wineserver" ]; then
        WINESERVER=$(dirname "$wine")/wineserver
    else
        WINESERVER=wineserver
    fi
fi

ready="$WINEPREFIX/.ombrel-prefix-ready"
if [ ! -f "$ready" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    lock="$WINEPREFIX.lock"
    log="$WINEPREFIX.init.log"
    exec 9>"$lock"
    if ! flock -w 900 9; then
        echo "wine-run.sh: timed out waiting for $lock" >&2
        exit 1
    fi
    if [ ! -f "$ready" ]; then
        # Create (or repair) the prefix, then wait until wine has written it
        # to disk and its helper processes (services.exe, ...) have exited.
        if ! { timeout 600 "$wine" wineboot --init &&
               timeout 120 "$WINESERVER" -w; } >"$log" 2>&1; then
            echo "wine-run.sh: could not initialise $WINEPREFIX; $log says:" >&2
            cat "$log" >&2
            exit 1
        fi
        : >"$ready"
    fi
    exec 9>&-
fi

[ "$#" -gt 0 ] || exit 0

# Rarely (seen once in about 700 runs), a program fails at start-up with
# "wine client error:...: recvmsg: Connection reset by peer", most likely
# because it reached a wineserver that was shutting down. Such a run is
# repeated, once; stderr is copied to a file so that the message can be seen.
errlog=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$errlog"' EXIT
for attempt in 1 2; do
    set +e
    # stdout goes straight to fd 3 (our stdout); stderr through tee.
    { "$wine" "$@" 2>&1 1>&3 3>&- | tee "$errlog" >&2 3>&-
      status=${PIPESTATUS[0]}; } 3>&1
    set -e
    if [ "$status" -eq 0 ] || [ "$attempt" -eq 2 ] ||
       ! grep -q '^wine client error:' "$errlog"; then
        break
    fi
    echo "wine-run.sh: lost the wineserver connection; running $1 again" >&2
done
exit "$status"
