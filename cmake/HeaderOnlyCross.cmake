# nlohmann-json and CLI11 for a cross build. Both are header-only, so the Linux packages' headers
# serve any target; but the toolchain confines header look-ups to the target's sysroot, and
# adding /usr/include whole would let the target build pick up Linux system headers. Only the two
# libraries' folders are copied, into <build>/header-only, behind the usual target names.
#
#   include(HeaderOnlyCross)   # defines nlohmann_json::nlohmann_json and CLI11::CLI11

include_guard(GLOBAL)

set(OMBREL_HEADER_ONLY_SOURCE "/usr/include"
    CACHE PATH "Folder holding nlohmann/json.hpp and CLI/CLI.hpp for cross builds")

set(_ombrel_header_only "${CMAKE_BINARY_DIR}/header-only")
foreach(_ombrel_lib IN ITEMS nlohmann/json.hpp CLI/CLI.hpp)
  if(NOT EXISTS "${OMBREL_HEADER_ONLY_SOURCE}/${_ombrel_lib}")
    message(FATAL_ERROR "${OMBREL_HEADER_ONLY_SOURCE}/${_ombrel_lib} not found "
            "(Debian: apt-get install nlohmann-json3-dev libcli11-dev, or set OMBREL_HEADER_ONLY_SOURCE)")
  endif()
endforeach()
file(COPY "${OMBREL_HEADER_ONLY_SOURCE}/nlohmann" "${OMBREL_HEADER_ONLY_SOURCE}/CLI"
     DESTINATION "${_ombrel_header_only}")

foreach(_ombrel_target IN ITEMS nlohmann_json::nlohmann_json CLI11::CLI11)
  if(NOT TARGET ${_ombrel_target})
    add_library(${_ombrel_target} INTERFACE IMPORTED)
    set_target_properties(${_ombrel_target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${_ombrel_header_only}")
  endif()
endforeach()
unset(_ombrel_header_only)
unset(_ombrel_lib)
unset(_ombrel_target)
