#!/usr/bin/env bash
# ombrel-host's picture files under hostile conditions, through the command as a user runs it:
# a full disk, a folder the user may not write to, an image header that claims a huge picture,
# many bitmap shaders on one large file. Each case checks the exit status, the message (the
# file's name and the reason) and that no file is left behind.
#   picture_io_test.sh HOST CASE [sanitized]
# Exit 77 tells CTest a case was skipped (the machine cannot provide what it needs).
set -uo pipefail
# shellcheck source=case_helpers.sh
. "$(dirname "${BASH_SOURCE[0]}")/case_helpers.sh"
host="$1"
case_name="$2"
sanitized="${3:-}"

work="$(mktemp -d /tmp/ombrel-picture-io.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1


# A scene whose picture does not compress well, so every format writes many kilobytes.
cat >uv.json <<'JSON'
{"settings": {"width": 256, "height": 256, "threads": 1},
 "shaders": [{"name": "uv", "type": "uv"}],
 "materials": [{"name": "m", "shader": "uv"}],
 "objects": [{"name": "o", "rect": [0, 0, 1, 1], "material": "m"}]}
JSON

# Renders the demo scene (textures and noise: tens of kilobytes in any format) into each format
# under FOLDER; every write must fail with REASON.
expect_write_failures() {  # FOLDER REASON [command prefix...]
  local folder="$1" reason="$2"; shift 2
  local name out status
  for name in out.png out.exr out.tif; do
    out="$("$@" "$host" render -o "$folder/$name" --size 400x400 2>&1)"
    status=$?
    [ "$status" -ne 0 ] || fail "$name: exit 0 after a failed write: $out"
    expect_in "$out" "cannot write \"$folder/$name\": $reason" "$name"
    case "$out" in *partial*) fail "$name: the message names the hidden file: $out" ;; esac
    case "$out" in *rendered*) fail "$name: reported as rendered: $out" ;; esac
  done
  expect_only "$folder"
}

case "$case_name" in
  full-disk)
    # A real full disk: a 64 KiB tmpfs in a mount namespace of our own.
    if ! unshare -rm true 2>/dev/null; then echo "no mount namespaces here"; exit 77; fi
    mkdir small
    export -f expect_write_failures expect_only expect_in fail
    export host
    unshare -rm bash -c '
      mount -t tmpfs -o size=64k tmpfs small || exit 77
      # Fill it up but for a few kilobytes, so even the PNG header and first rows fit.
      head -c 56k /dev/zero >small/filler 2>/dev/null
      rm -f small/filler.partial
      mkdir -p small/out
      expect_write_failures small/out "No space left on device"
    ' || exit $?
    ;;

  file-limit)
    # The kernel refuses writes past a file-size limit (EFBIG), wherever the disk is: the same
    # failed write as a full disk, on any machine. SIGXFSZ is ignored so the write reports it.
    mkdir out
    expect_write_failures out "File too large" bash -c 'trap "" XFSZ; ulimit -f 8; exec "$@"' limited
    # Nothing was there before, and the old file stays when one was.
    echo precious >out/out.png
    bash -c 'trap "" XFSZ; ulimit -f 8; exec "$0" render -o out/out.png --size 400x400' "$host" 2>/dev/null && fail "exit 0"
    [ "$(cat out/out.png)" = precious ] || fail "the existing picture was changed"
    expect_only out out.png
    ;;

  permission)
    # A folder the user may not write to. Root may write anywhere, so as root the command runs
    # as the unprivileged user "nobody".
    mkdir locked
    chmod 0555 locked
    chmod 0755 "$work"
    prefix=()
    if [ "$(id -u)" -eq 0 ]; then
      command -v setpriv >/dev/null || { echo "setpriv is missing"; exit 77; }
      prefix=(setpriv --reuid=65534 --regid=65534 --clear-groups)
      "${prefix[@]}" test -x "$host" || { echo "nobody cannot run $host"; exit 77; }
    fi
    expect_write_failures "$work/locked" "Permission denied" "${prefix[@]}"
    ;;

  bomb)
    # A 68-byte PNG that claims 16384 x 16384 pixels must be refused from its header, before the
    # library allocates gigabytes for it. Under the memory limit a decode would end in "out of
    # memory"; the budget's reason shows the header decided, and a 1 x 1 file still reads.
    printf '\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x40\x00\x00\x00\x40\x00\x08\x02\x00\x00\x00\x26\xaa\x87\xd3\x00\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63\x60\x40\x05\x00\x00\x10\x00\x01\x39\xbd\x8f\x65\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82' >bomb.png
    "$host" render uv.json -o tiny.png --size 1x1 2>/dev/null || fail "cannot make a tiny picture"
    echo '{"shaders": [{"name": "bomb", "type": "bitmap", "params": {"1000": "bomb.png"}},
                       {"name": "tiny", "type": "bitmap", "params": {"1000": "tiny.png"}}]}' >scene.json
    limit=()
    [ -z "$sanitized" ] && limit=(ulimit -v 800000 \;)
    run() { bash -c "${limit[*]} exec \"\$0\" sample scene.json --shader $1 <<<'0.5 0.5 0'" "$host" 2>&1; }
    small="$(run tiny)"
    case "$small" in *"failed its render set-up"*) fail "the tiny picture was refused: $small" ;; esac
    out="$(run bomb)"
    expect_in "$out" "failed its render set-up" "bomb"
    expect_in "$out" "it claims 16384 x 16384 pixels, which need 1.5 GiB to decode, over the image budget" "bomb"
    case "$out" in *"out of memory"*) fail "the bomb was decoded: $out" ;; esac
    ;;

  budget)
    # The budget comes from --image-budget, else from OMBREL_IMAGE_BUDGET; 8 x 8 at 8 bits RGB
    # costs 192 bytes kept plus 192 while decoding.
    "$host" render uv.json -o small.png --size 8x8 2>/dev/null || fail "cannot make a picture"
    echo '{"shaders": [{"name": "s", "type": "bitmap", "params": {"1000": "small.png"}}]}' >scene.json
    sample() { "$host" sample scene.json --shader s "$@" <<<'0.5 0.5 0' 2>&1; }
    refused() { grep -qF "failed its render set-up" <<<"$1"; }
    refused "$(sample)" && fail "refused at the default budget"
    refused "$(sample --image-budget 383)" || fail "accepted over --image-budget"
    refused "$(sample --image-budget 384)" && fail "refused at exactly its cost"
    refused "$(OMBREL_IMAGE_BUDGET=300 sample)" || fail "accepted over OMBREL_IMAGE_BUDGET"
    refused "$(OMBREL_IMAGE_BUDGET=300 sample --image-budget 1K)" && fail "the option did not win over the variable"
    out="$(OMBREL_IMAGE_BUDGET=lots sample)" && fail "a bad OMBREL_IMAGE_BUDGET was accepted"
    expect_in "$out" "OMBREL_IMAGE_BUDGET" "bad variable"
    out="$(sample --image-budget 2X)" && fail "a bad --image-budget was accepted"
    expect_in "$out" "--image-budget" "bad option"
    ;;

  shared)
    # Four bitmap shaders on one 4096 x 4096 PNG share one 8-bit picture (48 MiB). Four float
    # copies would take 768 MiB, more than the limit leaves.
    "$host" render uv.json -o big.png --size 4096x4096 2>/dev/null || fail "cannot make the picture"
    cat >four.json <<'JSON'
{"settings": {"width": 64, "height": 64, "threads": 1},
 "shaders": [{"name": "a", "type": "bitmap", "params": {"1000": "big.png"}},
             {"name": "b", "type": "bitmap", "params": {"1000": "big.png"}},
             {"name": "c", "type": "bitmap", "params": {"1000": "big.png"}},
             {"name": "d", "type": "bitmap", "params": {"1000": "big.png"}}],
 "materials": [{"name": "ma", "shader": "a"}, {"name": "mb", "shader": "b"},
               {"name": "mc", "shader": "c"}, {"name": "md", "shader": "d"}],
 "objects": [{"name": "oa", "rect": [0, 0, 0.5, 0.5], "material": "ma"},
             {"name": "ob", "rect": [0.5, 0, 1, 0.5], "material": "mb"},
             {"name": "oc", "rect": [0, 0.5, 0.5, 1], "material": "mc"},
             {"name": "od", "rect": [0.5, 0.5, 1, 1], "material": "md"}]}
JSON
    limit="ulimit -v 800000;"
    [ -n "$sanitized" ] && limit=""
    # A budget that holds one copy and its decoding, not two.
    out="$(bash -c "$limit exec \"\$0\" render four.json -o four.exr --image-budget 100M" "$host" 2>&1)" ||
      fail "four shaders on one picture: $out"
    expect_in "$out" "rendered 64x64" "shared"
    case "$out" in *failed*) fail "a shader was dropped: $out" ;; esac
    ;;

  *) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
