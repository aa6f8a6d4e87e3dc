# Cross-build for 32-bit Windows with MinGW-w64 (posix thread model).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KESTROVA_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTROVA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTROVA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTROVA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTROVA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and the DLL need only system DLLs: link the C and C++ runtimes statically.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The test programs run under Wine: ctest puts it before every test command that names a program
# of this build.
find_program(KESTROVA_WINE wine)
if(KESTROVA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTROVA_WINE})
else()
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
