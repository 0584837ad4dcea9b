#!/usr/bin/env bash
# Cross-builds the macOS x86_64 module on Linux with the pinned Zig of tools/zig:
#   scripts/build-macos.sh [BUILD_DIR]      (default build-macos)
# Builds ombrel_shaders.dylib with res/ beside it, the maths library and its unit tests, and
# the broken test module; prints the module's path as its last line. Needs
# `scripts/install-deps.sh test` first. OMBREL_LINUX_BUILD_DIR, when set, names the Linux build
# whose ombrel-host the build's tests use (ctest --test-dir BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build-macos}"
linux_dir="${OMBREL_LINUX_BUILD_DIR:-}"
if [ -n "$linux_dir" ]; then linux_dir="$(cd "$linux_dir" && pwd)"; fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMBREL_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE=cmake/zig-macos-x86_64.cmake -DOMBREL_BUILD_HOST=OFF -DOMBREL_BUILD_HOST_TOOLS=OFF \
  -DOMBREL_BUILD_BENCH=OFF -DOMBREL_LINUX_BUILD_DIR="$linux_dir" >/dev/null
cmake --build "$dir" -j"$(nproc)" >&2
echo "$(cd "$dir" && pwd)/bin/ombrel_shaders.dylib"
