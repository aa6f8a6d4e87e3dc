# Every target of the project builds with warnings as errors.
if(MSVC)
  add_compile_options(/W4 /WX)
else()
  add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                      -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)
endif()
