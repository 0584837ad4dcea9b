#!/usr/bin/env bash
# A movie of 6000 frames becomes an atlas under a CPU-time limit. Opening the movie again for
# every frame took about 17 s of CPU for these 6000 (quadratic in the frames); one pass over
# them takes a fraction of a second, so the limit stops only the quadratic reader, and it bounds
# CPU work, not the wall clock of a loaded machine. A sanitized build spends several
# milliseconds of system time on every frame's allocations, in the movie library's decoder, so
# there the movie is shorter and the limit only stops a reader that never ends.
#   long_movie_atlas.sh HOST SOURCE_DIR WORK_DIR [FRAMES CPU_SECONDS]
set -euo pipefail
host=$1
source=$2
work=$3
frames=${4:-6000}
cpu_seconds=${5:-6}
mkdir -p "$work"
cd "$work"
python3 "$source/tools/make_movie.py" long.avi "$frames" 2 2 25
cat > long_movie_scene.json <<'SCENE'
{
  "settings": {"width": 96, "height": 48},
  "shaders": [
    {"name": "cut", "type": "xkestle_cut", "params": {"KESTLECUT_OVERLAY": {"name": "movie", "type": "bitmap", "params": {"1000": "long.avi"}}}}
  ],
  "materials": [{"name": "m", "shader": "cut"}],
  "objects": [{"name": "o", "rect": [0, 0, 1, 1], "material": "m"}]
}
SCENE
rm -f movie-atlas.png
status=0
(ulimit -t "$cpu_seconds" && exec "$host" edit long_movie_scene.json --script "$source/tests/edit/cut_movie_atlas.json") \
  > out.txt 2> err.txt || status=$?
if [ "$status" -ne 0 ]; then
  echo "the edit ended with $status (152 or 137: stopped at the CPU limit)"
  cat err.txt
  exit 1
fi
# A cell of 2 x 2 pixels for each frame: the grid and the file are there.
grep -q "KESTLECUT_CELL_WIDTH (1007) 32 -> 2" out.txt || { cat out.txt; exit 1; }
test -s movie-atlas.png
echo "$frames frames read in one pass"
