#!/usr/bin/env bash
# The main job: build the module and the stand-in host, then render with ombrel-host.
# With no arguments it runs `ombrel-host render`, which writes the demo scene to
# ombrel-demo.png in the current folder; any arguments are passed to ombrel-host instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# The build speaks on stderr, where its progress and every compiler error can be seen; standard
# output is ombrel-host's alone, so `scripts/run.sh plugins | grep ...` reads only the host.
(
  cd "$root"
  scripts/install-deps.sh build
  # Only the module and ombrel-host: tests and benchmarks are scripts/test.sh's. CMake's own
  # errors go to stderr; its list of what it found does not need to.
  echo "run.sh: configuring build/"
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DOMBREL_BUILD_BENCH=OFF >/dev/null
  echo "run.sh: building the module and ombrel-host in build/"
  cmake --build build -j"$(nproc)"
) >&2

if [ "$#" -eq 0 ]; then
  set -- render
fi
exec "$root/build/bin/ombrel-host" "$@"
