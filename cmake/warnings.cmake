# Every target of the project builds with these warnings. They are errors where we choose so
# (KESTROVA_WARNINGS_AS_ERRORS, on in the presets, the test script and CI), so that a packager's
# build on a newer or older compiler, which may warn where ours does not, still compiles.
option(KESTROVA_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)
if(MSVC)
  add_compile_options(/W4)
  if(KESTROVA_WARNINGS_AS_ERRORS)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
                      -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual)
  if(KESTROVA_WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
  endif()
endif()
