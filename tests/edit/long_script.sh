#!/usr/bin/env bash
# A script of 300,000 steps is read and checked under a CPU-time limit. Reading it with the JSON
# library's callback parser costs time that grows with the square of the steps (about 18 s of
# CPU for these); the host's own reader takes a fraction of a second. The limit bounds CPU work,
# not the wall clock of a loaded machine.
#   long_script.sh HOST SOURCE_DIR WORK_DIR
set -euo pipefail
host=$1
source=$2
work=$3
mkdir -p "$work"
cd "$work"
python3 -c '
import json
json.dump({"steps": [{"pointer": [i, i]} for i in range(300000)]}, open("long_script.json", "w"))'
status=0
(ulimit -t 8 && exec "$host" edit "$source/examples/uv_corner_effects.json" --script long_script.json) \
  > out.txt 2> err.txt || status=$?
# Every step was read and checked; the first one then fails, as no tool is active.
if [ "$status" -ne 1 ] || ! grep -q "long_script.json:1:12: step 1 failed" err.txt; then
  echo "the edit ended with $status (152 or 137: stopped at the CPU limit)"
  cat err.txt
  exit 1
fi
echo "300000 steps read and checked"
