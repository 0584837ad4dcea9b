#!/usr/bin/env bash
# The main job: build the module and the stand-in host, then run ombrel-host.
# With no arguments it runs `ombrel-host plugins`; any arguments are passed to ombrel-host.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" >/dev/null

if [ "$#" -eq 0 ]; then
  set -- plugins
fi
exec build/bin/ombrel-host "$@"
