#!/usr/bin/env bash
# Installs the Debian packages one job needs, and nothing more:
#   scripts/install-deps.sh build   the main job: build the module and ombrel-host
#   scripts/install-deps.sh test    the test command: the above, the test and benchmark
#                                   libraries, and the Windows cross build with wine
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
)

case "${1:-}" in
  build) packages=("${build_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 build|test" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
