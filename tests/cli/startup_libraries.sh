#!/usr/bin/env bash
# ombrel-host starts with the C and C++ runtime only (docs/performance.md, "Start-up of
# ombrel-host"): the image library and the drawing library, with Cairo and its X11 libraries,
# are opened the first time a command needs them.
#   startup_libraries.sh HOST
set -uo pipefail
host="$(realpath "$1")"
examples="$(cd "$(dirname "$0")/../../examples" && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }
# The sanitizer builds add their runtimes.
listed="$(ldd "$host" | grep -vE 'lib(asan|ubsan|tsan|lsan)\.so')" || fail "ldd cannot read $host"
count="$(grep -c . <<<"$listed")"
echo "$listed"
[ "$count" -le 6 ] || fail "ldd lists $count entries, at most 6 expected"
for word in cairo X11 xcb pixman png OpenImageIO; do
  grep -qi "$word" <<<"$listed" && fail "$host links $word"
done

# A command that draws nothing opens neither library; a view picture opens the drawing library.
work="$(mktemp -d /tmp/ombrel-startup.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
opened() { LD_DEBUG=files "$host" "$@" 2>&1 >/dev/null | sed -n 's/.*file=\([^ ]*\) .*/\1/p' | sort -u; }
plugins="$(opened plugins)"
grep -qE 'cairo|ombrel-host-(draw|images)' <<<"$plugins" && fail "plugins opened: $plugins"
echo '[{"draw": "view.png"}]' >draw.json
drew="$(opened edit "$examples/uv_facade.json" --script draw.json)"
grep -q 'ombrel-host-draw.so' <<<"$drew" || fail "drawing a view did not open the drawing library: $drew"
[ -s view.png ] || fail "no view picture"

# Without the library beside the program, a draw step says so and writes nothing.
mkdir alone && cp "$host" alone/ombrel-host && rm view.png
out="$(alone/ombrel-host edit "$examples/uv_facade.json" --script draw.json 2>&1)" && fail "exit 0 without the drawing library"
grep -qF "view.png: cannot load the drawing library \"$work/alone/ombrel-host-draw.so\"" <<<"$out" || fail "no reason given: $out"
[ -e view.png ] && fail "a picture was written without the drawing library"
echo "ok"
