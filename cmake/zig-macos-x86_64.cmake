# Cross-compiling toolchain: Linux host -> macOS x86_64 via the pinned Zig (tools/zig).
#
#   scripts/install-deps.sh test
#   cmake -S . -B build-macos -DCMAKE_TOOLCHAIN_FILE=cmake/zig-macos-x86_64.cmake
#
# Zig's clang compiles against the macOS headers that Zig bundles and links Mach-O files against
# its stubs of libSystem, so no Apple SDK is needed. The wrappers in cmake/zig fix the target,
# x86_64-macos.11.0, the oldest the toolchain supports. Programs built here cannot run on this
# machine: tests of the build check its files instead (docs/macos.md).

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_SYSTEM_VERSION 20.0)  # Darwin 20 is macOS 11

set(_ombrel_zig ${CMAKE_CURRENT_LIST_DIR}/zig)
set(CMAKE_C_COMPILER ${_ombrel_zig}/cc)
set(CMAKE_CXX_COMPILER ${_ombrel_zig}/c++)
set(CMAKE_AR ${_ombrel_zig}/ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${_ombrel_zig}/ranlib CACHE FILEPATH "Archive indexer")

# The target comes from the wrappers: no Xcode, SDK path or -arch flags from CMake.
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "" FORCE)

# Nothing of this machine's own headers or libraries belongs in a macOS build.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Modules link through cmake/zig/link-module (why: there).
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${_ombrel_zig}/rules.cmake)
set(OMBREL_ZIG_TOOLS ${_ombrel_zig})
unset(_ombrel_zig)
