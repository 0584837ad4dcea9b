# Cross-compiling toolchain: Linux host -> Windows x64 via MinGW-w64 (posix threads variant).
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Everything is linked statically against libgcc, libstdc++ and winpthread so
# that the produced binaries import only DLLs that ship with Windows.
# Tests run under wine through cmake/wine-run.sh (CMAKE_CROSSCOMPILING_EMULATOR).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(OMBREL_MINGW_TRIPLET x86_64-w64-mingw32)

# The "-posix" drivers use the winpthread threading model, which gives
# std::thread / std::mutex; the "-win32" ones do not in GCC 12.
set(CMAKE_C_COMPILER   ${OMBREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OMBREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${OMBREL_MINGW_TRIPLET}-windres)

# Headers, libraries and packages come from the MinGW sysroot only; build
# tools (programs) come from the Linux host.
set(CMAKE_FIND_ROOT_PATH /usr/${OMBREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc_s_seh-1.dll, libstdc++-6.dll or libwinpthread-1.dll at run time.
# Plain "-static" is what keeps winpthread static: with -static-libgcc and
# -static-libstdc++ alone, code using std::thread or std::mutex still imports
# libwinpthread-1.dll.
set(_ombrel_static_link "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT    "${_ombrel_static_link}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_ombrel_static_link}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_ombrel_static_link}")
unset(_ombrel_static_link)

# try_run(), add_test() and gtest_discover_tests() run Windows programs via wine.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh")
