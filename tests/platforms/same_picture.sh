#!/usr/bin/env bash
# The same picture on Linux and on Windows: renders every example scene and samples the shaders
# of samples.txt at the points of points.txt and of a grid, with the Linux host and with the
# Windows host under wine, then compares. The pictures must be identical at 8 bits per channel;
# the largest float difference of pictures and samples is reported.
#
#   same_picture.sh LINUX_HOST WINDOWS_HOST HELPER SOURCE_DIR WORK_DIR WINE_RUN
#
# The Windows host has no image library, so the scenes are rendered from copies whose PNG
# textures are replaced by PFM copies that the Linux helper makes (the same float values the
# bitmap shader takes from the PNG's 8-bit codes). The Linux host renders each original scene
# too, and that picture must equal its render of the copy bit for bit.
set -euo pipefail
linux_host=$1 windows_host=$2 helper=$3 source=$4 work=$5 wine_run=$6
here=$source/tests/platforms

rm -rf "$work"
mkdir -p "$work/linux" "$work/windows" "$work/linux-original"
failed=0

# Every picture folder of the examples (textures, photos, ...) gets its PFM copies.
for png in "$source"/examples/*/*.png; do
  name=$(basename "$png" .png)
  folder=$(basename "$(dirname "$png")")
  mkdir -p "$work/scenes/$folder"
  # A texture the image library cannot decode (broken.png, on purpose) gets no copy: both hosts
  # then report it missing in the same way.
  "$helper" pfm-copy "$png" "$work/scenes/$folder/$name.pfm" 2>/dev/null || echo "no PFM copy of $name.png"
done

# Each wine process costs a second or more to start and end, little of it CPU: the Windows
# host's runs go in the background, four at a time, while the Linux host works.
windows() {  # OUTPUT [INPUT] -- ARGS...: one run of the Windows host, its exit status kept
  local output=$1 input=/dev/null
  shift
  [ "$1" = -- ] || { input=$1; shift; }
  shift
  while [ "$(jobs -rp | wc -l)" -ge 4 ]; do wait -n || true; done
  { "$wine_run" "$windows_host" "$@" <"$input" >"$output" 2>"$output.err"; echo $? >"$output.status"; } &
}
windows_ok() {  # OUTPUT: the run's status, and its messages when it failed
  if [ "$(cat "$1.status")" != 0 ]; then
    echo "the Windows host failed on $1:"
    cat "$1.err"
    return 1
  fi
}

# The points: points.txt, then a 64 x 64 grid over and around the unit square, dense enough to
# meet the rare arguments where the platforms' sine, cosine, logarithm and power differ in their
# last bit.
points=$work/points.txt
{
  cat "$here/points.txt"
  awk 'BEGIN { for (j = 0; j < 64; j++) for (i = 0; i < 64; i++) printf "%.17g %.17g 0\n", -0.2 + 1.4 * i / 63, -0.2 + 1.4 * j / 63 }'
} >"$points"

samples=()
while read -r scene shader object; do
  case "$scene" in ''|'#'*) continue ;; esac
  samples+=("$(basename "$scene" .json) $shader $object")
done <"$here/samples.txt"

for scene in "$source"/examples/*.json; do
  name=$(basename "$scene" .json)
  sed 's/\.png"/.pfm"/g' "$scene" >"$work/scenes/$name.json"
  windows "$work/windows/$name.log" -- render "$work/scenes/$name.json" -o "$work/windows/$name.pfm"
done
for entry in "${samples[@]}"; do
  read -r name shader object <<<"$entry"
  args=(sample "$work/scenes/$name.json" --shader "$shader")
  [ -z "$object" ] || args+=(--object "$object")
  windows "$work/sample-$name-$shader.windows" "$points" -- "${args[@]}"
done

for scene in "$source"/examples/*.json; do
  name=$(basename "$scene" .json)
  "$linux_host" render "$scene" -o "$work/linux-original/$name.pfm" 2>/dev/null
  "$linux_host" render "$work/scenes/$name.json" -o "$work/linux/$name.pfm" 2>/dev/null
  if ! cmp -s "$work/linux-original/$name.pfm" "$work/linux/$name.pfm"; then
    echo "$name: the PFM textures do not render as the PNG ones"
    failed=1
  fi
done
for entry in "${samples[@]}"; do
  read -r name shader object <<<"$entry"
  args=(sample "$work/scenes/$name.json" --shader "$shader")
  [ -z "$object" ] || args+=(--object "$object")
  "$linux_host" "${args[@]}" <"$points" >"$work/sample-$name-$shader.linux"
done
wait

largest_picture=0 largest_sample=0
note_largest() {  # LINE VARIABLE: keeps the largest "largest difference" of the lines seen
  local value
  value=$(sed -n 's/.*largest difference \([^ ]*\).*/\1/p' <<<"$1")
  if [ -n "$value" ] && awk -v a="$value" -v b="${!2}" 'BEGIN { exit !(a > b) }'; then
    printf -v "$2" '%s' "$value"
  fi
}

for scene in "$source"/examples/*.json; do
  name=$(basename "$scene" .json)
  windows_ok "$work/windows/$name.log" || { failed=1; continue; }
  line=$("$helper" pictures "$work/linux/$name.pfm" "$work/windows/$name.pfm" "picture $name") || failed=1
  echo "$line"
  note_largest "$line" largest_picture
done
for entry in "${samples[@]}"; do
  read -r name shader object <<<"$entry"
  out=$work/sample-$name-$shader
  windows_ok "$out.windows" || { failed=1; continue; }
  line=$("$helper" samples "$out.linux" "$out.windows" "samples $name $shader") || failed=1
  echo "$line"
  note_largest "$line" largest_sample
done

echo "largest float difference: pictures $largest_picture, samples $largest_sample"
exit "$failed"
