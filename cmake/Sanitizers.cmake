# Sanitizer builds apply to everything, the module included, so the whole suite is checked.
# GCC leaves conversions of out-of-range doubles to integers out of "undefined"; they are asked
# for by name.
if(OMBREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
                      -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # clang puts its sanitizer runtime into executables only; the module, a shared library linked
    # with --no-undefined, needs the shared runtime, found by an rpath.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libclang_rt.asan-x86_64.so
      OUTPUT_VARIABLE OMBREL_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(OMBREL_ASAN_RUNTIME_DIR "${OMBREL_ASAN_RUNTIME}" DIRECTORY)
    add_link_options(-shared-libasan -Wl,-rpath,${OMBREL_ASAN_RUNTIME_DIR})
  endif()
endif()
if(OMBREL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
# Coverage for the fuzzers: everything they reach, the module included, reports the paths taken.
if(OMBREL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "OMBREL_FUZZ needs clang (libFuzzer)")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
