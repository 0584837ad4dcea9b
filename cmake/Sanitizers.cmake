# Sanitizer builds apply to everything, the module included, so the whole suite is checked.
if(OMBREL_SANITIZE)
  # GCC leaves float-cast-overflow out of "undefined": a double converted to an integer it does
  # not fit is undefined all the same, so it is named here.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
    -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()
if(OMBREL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
