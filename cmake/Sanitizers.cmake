# Sanitizer builds apply to everything, the module included, so the whole suite is checked.
# GCC leaves conversions of out-of-range doubles to integers out of "undefined"; they are asked
# for by name.
if(OMBREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow
                      -fno-sanitize-recover=undefined,float-cast-overflow -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
endif()
if(OMBREL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
