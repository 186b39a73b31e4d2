# Cross-building the Windows x64 programs with mingw-w64 on Linux:
#   cmake -S . -B build-win -G Ninja --toolchain cmake/mingw-w64-x86_64.cmake
# The programs are linked statically, so each runs on a Windows machine with
# nothing else installed. Where wine is installed, the tests run under it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# The POSIX thread model: the standard library then has its thread types.

set(MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_ASM_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_OBJCOPY ${MINGW_PREFIX}-objcopy CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages are found under the root path and where CMAKE_PREFIX_PATH names
# (an installed runtime of this target, say); their libraries and headers
# only under the root path.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The static zlib (libz-mingw-w64-dev), so that programs need no zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)

find_program(WINE_PROGRAM NAMES wine wine64)
if(WINE_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
endif()
