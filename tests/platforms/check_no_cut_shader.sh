#!/usr/bin/env bash
# The macOS module leaves the cut shader out: no symbol and no string of it may be in the file,
# its class, its registration, its description name and its maths included. The names are read
# from the symbol table (local symbols too) and from every string in the file.
#   check_no_cut_shader.sh MODULE
set -euo pipefail
module="$1"
nm="$(command -v llvm-nm || command -v llvm-nm-14)" || { echo "FAIL: llvm-nm not found (Debian: llvm)" >&2; exit 1; }
symbols="$("$nm" -a "$module" | grep -E '[Kk]estle|KESTLE|Atlas|ObjectCells' || true)"
if [ -n "$symbols" ]; then
  echo "FAIL: symbols of the cut shader in $module:" >&2
  echo "$symbols" | head -10 >&2
  exit 1
fi
all_texts="$(strings -a "$module")"
texts="$(echo "$all_texts" | grep -E '[Kk]estle|KESTLE' || true)"
if [ -n "$texts" ]; then
  echo "FAIL: strings of the cut shader in $module:" >&2
  echo "$texts" | head -10 >&2
  exit 1
fi
# The check must be able to see a shader at all: the other four leave their marks.
for name in Xtavrel_tiles xglent_color Xtransform tool_uv_transform; do
  echo "$all_texts" | grep -qx "$name" || { echo "FAIL: no trace of $name either: is $module a module?" >&2; exit 1; }
done
echo "no cut shader in $module"
