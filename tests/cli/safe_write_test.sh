#!/usr/bin/env bash
# The files ombrel-host writes (pictures, scene files, draw logs), through the commands as a user
# runs them, onto targets that are not plain files: device nodes, folders, links planted at the
# writer's hidden names, a name another process saves at the same time, an empty name. Each case
# checks the exit status, the message and what is left in the folder.
#   safe_write_test.sh HOST SOURCE_DIR CASE
# Exit 77 tells CTest a case was skipped (the machine cannot provide what it needs).
set -uo pipefail
# shellcheck source=case_helpers.sh
. "$(dirname "${BASH_SOURCE[0]}")/case_helpers.sh"
host="$1"
source_dir="$2"
case_name="$3"

work="$(mktemp -d /tmp/ombrel-safe-write.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

# Runs the command, which must end with CODE and say PATTERN.
expect_exit() {  # CODE PATTERN WHAT COMMAND...
  local code="$1" pattern="$2" what="$3" out status
  shift 3
  out="$("$@" 2>&1)"
  status=$?
  [ "$status" -eq "$code" ] || fail "$what: exit $status, expected $code: $out"
  expect_in "$out" "$pattern" "$what"
}
is_node() { [ -c "$1" ] && [ ! -L "$1" ]; }

tiny='{"settings": {"width": 4, "height": 4, "threads": 1},
 "shaders": [{"name": "c", "type": "color"}],
 "materials": [{"name": "m", "shader": "c"}],
 "objects": [{"name": "o", "rect": [0, 0, 1, 1], "material": "m"}]}'
echo "$tiny" >scene.json
echo '{"steps": []}' >none.json
# The tool's view drawn with a log, as docs/tool.md does it; the log goes to LOG.
draw_script() {  # LOG
  printf '{"steps": [{"press": "XTRANSFORM_EDIT_IN_TOOL", "node": "window"}, {"view": [80, 60]},
    {"draw": "view.png", "log": "%s"}]}\n' "$1"
}
facade="$source_dir/examples/uv_facade.json"

case "$case_name" in
  devices)
    # Copies of /dev/full and /dev/null under the names of the outputs; only root may make them.
    mknod full.png c 1 7 2>/dev/null || { echo "mknod needs root"; exit 77; }
    cp -a /dev/full full.json
    cp -a /dev/full full.log
    cp -a /dev/null null.png
    cp -a /dev/null null.json
    out="$("$host" render scene.json -o full.png 2>&1)" && fail "render onto a full device: exit 0: $out"
    expect_in "$out" 'cannot write "full.png": No space left on device' "render onto a full device"
    out="$("$host" edit scene.json --script none.json -o full.json 2>&1)" && fail "edit onto a full device: exit 0: $out"
    expect_in "$out" 'cannot write "full.json": No space left on device' "edit onto a full device"
    case "$out" in *saved*) fail "edit onto a full device said saved: $out" ;; esac
    draw_script full.log >draw.json
    out="$("$host" edit "$facade" --script draw.json 2>&1)" && fail "a draw log onto a full device: exit 0: $out"
    expect_in "$out" 'cannot write "full.log": No space left on device' "a draw log onto a full device"
    # A null device takes the bytes, as a shell's > would.
    "$host" render scene.json -o null.png 2>/dev/null || fail "render onto a null device failed"
    out="$("$host" edit scene.json --script none.json -o null.json 2>&1)" || fail "edit onto a null device failed: $out"
    expect_in "$out" "saved the scene to null.json" "edit onto a null device"
    for node in full.png full.json full.log null.png null.json; do is_node "$node" || fail "$node is no longer a device"; done
    expect_only . draw.json full.json full.log full.png none.json null.json null.png scene.json
    ;;

  folders)
    # A folder in the way is refused before the work: before rendering, before the edits.
    mkdir out.png out.json
    expect_exit 2 'cannot write "out.png": it is a folder' "render onto a folder" \
      "$host" render scene.json -o out.png
    expect_exit 2 'cannot write "out.json": it is a folder' "edit onto a folder" \
      "$host" edit scene.json --script none.json -o out.json
    expect_exit 2 'cannot write "absent/out.json": there is no folder "absent"' "edit into a missing folder" \
      "$host" edit scene.json --script none.json -o absent/out.json
    # A save step meets the folder after the edits: the step fails and says why.
    echo '{"steps": [{"save": "out.json"}]}' >save.json
    out="$("$host" edit scene.json --script save.json 2>&1)" && fail "a save onto a folder: exit 0: $out"
    expect_in "$out" 'save failed: cannot write "out.json": it is a folder' "a save onto a folder"
    [ -d out.png ] && [ -d out.json ] || fail "a folder was replaced"
    expect_only . none.json out.json out.png save.json scene.json
    ;;

  links)
    # Links planted at the hidden names the next process will use ($$ of bash -c is the pid
    # that ombrel-host gets by exec) never lead a write elsewhere.
    echo precious >victim
    plant() { echo "ln -s victim .$1.partial-\$\$; exec"; }
    bash -c "$(plant out.json) \"\$0\" edit scene.json --script none.json -o out.json" "$host" >/dev/null 2>&1 \
      || fail "edit with a link at the hidden name failed"
    bash -c "$(plant out.png) \"\$0\" render scene.json -o out.png" "$host" 2>/dev/null \
      || fail "render with a link at the hidden name failed"
    draw_script view.log >draw.json
    bash -c "$(plant view.log) \"\$0\" edit '$facade' --script draw.json" "$host" >/dev/null 2>&1 \
      || fail "a draw log with a link at the hidden name failed"
    [ "$(cat victim)" = precious ] || fail "a write followed a planted link"
    grep -q '"objects"' out.json || fail "out.json is not the scene"
    grep -q '^setPen' view.log || fail "view.log is not the draw log"
    [ -L out.json ] || [ -L out.png ] || [ -L view.log ] && fail "a link took the target's place"
    # A target that is a link is written through: the link stays and its file holds the scene.
    mkdir real
    ln -s real/kept.json link.json
    "$host" edit scene.json --script none.json -o link.json >/dev/null 2>&1 || fail "edit onto a link failed"
    [ -L link.json ] || fail "the link was replaced"
    grep -q '"objects"' real/kept.json || fail "the link's file does not hold the scene"
    expect_only . draw.json link.json none.json out.json out.png real scene.json victim view.log view.png
    ;;

  concurrent)
    # Two edits save to the same name at once, 16 times: each exits 0 having said "saved", and
    # the file is always one of the two scenes whole, byte for byte.
    python3 - <<'PY' || fail "cannot make the scenes"
import json
for tag in ("a", "b"):
    objects = [{"name": f"{tag}{i}", "rect": [0, 0, 1, 1], "material": "m"} for i in range(3000)]
    json.dump({"shaders": [{"name": "c", "type": "color"}], "materials": [{"name": "m", "shader": "c"}],
               "objects": objects}, open(f"scene_{tag}.json", "w"))
PY
    for tag in a b; do
      "$host" edit "scene_$tag.json" --script none.json -o "whole_$tag.json" >/dev/null 2>&1 || fail "cannot save $tag"
    done
    cmp -s whole_a.json whole_b.json && fail "the two scenes are the same"
    for round in $(seq 16); do
      "$host" edit scene_a.json --script none.json -o same.json >a.out 2>&1 & a=$!
      "$host" edit scene_b.json --script none.json -o same.json >b.out 2>&1 & b=$!
      wait $a || fail "round $round: the first edit failed: $(cat a.out)"
      wait $b || fail "round $round: the second edit failed: $(cat b.out)"
      expect_in "$(cat a.out b.out)" "saved the scene to same.json" "round $round"
      cmp -s same.json whole_a.json || cmp -s same.json whole_b.json || fail "round $round: the file is neither scene whole"
    done
    rm -f a.out b.out
    expect_only . none.json same.json scene.json scene_a.json scene_b.json whole_a.json whole_b.json
    ;;

  empty-name)
    # An empty name is a wrong command line, not a request for the default name or for no file.
    expect_exit 2 "--output: the file name is empty" "render -o ''" "$host" render scene.json -o ''
    expect_exit 2 "--output: the file name is empty" "edit -o ''" "$host" edit scene.json --script none.json -o ''
    expect_exit 2 "--output" "render --output=" "$host" render scene.json --output=
    expect_only . none.json scene.json
    ;;

  reasons)
    # A save that fails says why, and leaves the file that was there as it was.
    echo precious >out.json
    echo '{"steps": [{"save": "out.json"}]}' >save.json
    out="$(bash -c 'trap "" XFSZ; ulimit -f 0; exec "$0" edit scene.json --script save.json' "$host" 2>&1)" \
      && fail "a save over the file-size limit: exit 0: $out"
    expect_in "$out" 'save failed: cannot write "out.json": File too large' "a save step"
    out="$(bash -c 'trap "" XFSZ; ulimit -f 0; exec "$0" edit scene.json --script none.json -o out.json' "$host" 2>&1)" \
      && fail "-o over the file-size limit: exit 0: $out"
    expect_in "$out" 'cannot write "out.json": File too large' "-o"
    [ "$(cat out.json)" = precious ] || fail "the existing file was changed"
    expect_only . none.json out.json save.json scene.json
    ;;

  *) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
