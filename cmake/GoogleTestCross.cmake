# Provides GTest::gtest, GTest::gtest_main, GTest::gmock and GTest::gmock_main.
#
# Native builds use the installed package (find_package(GTest)). When
# cross-compiling there is no GoogleTest built for the target, so it is built
# here, statically, from the sources Debian's "googletest" package puts in
# /usr/src/googletest.
#
#   include(GoogleTestCross)
#   target_link_libraries(my_tests PRIVATE GTest::gtest_main)

include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
  set(OMBREL_GOOGLETEST_SOURCE_DIR "/usr/src/googletest"
      CACHE PATH "GoogleTest sources built with the cross compiler")

  # A function, so the option values below do not leak into the project.
  function(_ombrel_add_googletest)
    if(NOT EXISTS "${OMBREL_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
      message(FATAL_ERROR
        "GoogleTest sources not found in ${OMBREL_GOOGLETEST_SOURCE_DIR} "
        "(Debian: apt-get install googletest, or set OMBREL_GOOGLETEST_SOURCE_DIR)")
    endif()
    # GoogleTest's options, as plain variables. Its subprojects call
    # cmake_minimum_required(VERSION 3.5), which would make option() ignore
    # them (policy CMP0077 OLD) without this default.
    set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
    set(BUILD_SHARED_LIBS OFF)
    set(BUILD_GMOCK ON)
    set(INSTALL_GTEST OFF)
    # Only read by MSVC builds (/MD rather than /MT); no effect with MinGW.
    set(gtest_force_shared_crt ON)
    set(gtest_build_tests OFF)
    set(gtest_build_samples OFF)
    set(gmock_build_tests OFF)
    add_subdirectory("${OMBREL_GOOGLETEST_SOURCE_DIR}"
                     "${CMAKE_BINARY_DIR}/_deps/googletest" EXCLUDE_FROM_ALL SYSTEM)
  endfunction()
  _ombrel_add_googletest()

  # GoogleTest 1.11 and later define these aliases themselves.
  foreach(_ombrel_t IN ITEMS gtest gtest_main gmock gmock_main)
    if(TARGET ${_ombrel_t} AND NOT TARGET GTest::${_ombrel_t})
      add_library(GTest::${_ombrel_t} ALIAS ${_ombrel_t})
    endif()
  endforeach()
  unset(_ombrel_t)
else()
  find_package(GTest REQUIRED)
endif()
