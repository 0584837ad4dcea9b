# Read after CMake's own rules for Darwin (CMAKE_USER_MAKE_RULES_OVERRIDE of the toolchain):
# a module is linked as a dynamic library by cmake/zig/link-module, not by the compiler driver.
set(CMAKE_CXX_CREATE_SHARED_MODULE
    "${CMAKE_CURRENT_LIST_DIR}/link-module <TARGET> <LINK_FLAGS> <OBJECTS> <LINK_LIBRARIES>")
