# Cross-building the Linux aarch64 programs on an x86-64 machine:
#   cmake -S . -B build-aarch64 -G Ninja --toolchain cmake/aarch64-linux-gnu.cmake
# Where qemu-user is installed the test programs run under it: this machine
# has no binfmt_misc, so an aarch64 program is always started through the
# emulator, with the target's libraries under its prefix.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(AARCH64_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${AARCH64_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${AARCH64_PREFIX}-g++)
set(CMAKE_ASM_COMPILER ${AARCH64_PREFIX}-gcc)
set(CMAKE_OBJCOPY ${AARCH64_PREFIX}-objcopy CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${AARCH64_PREFIX}-objdump CACHE FILEPATH "")

set(AARCH64_SYSROOT /usr/${AARCH64_PREFIX})
# Debian's cross compiler also reads the multiarch folders of the target
# (/usr/include, /usr/lib/aarch64-linux-gnu), where zlib1g-dev:arm64 and
# libzstd-dev:arm64 install: libraries are found there too.
set(CMAKE_FIND_ROOT_PATH ${AARCH64_SYSROOT} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages are found under the root path and where CMAKE_PREFIX_PATH names
# (an installed runtime of this target, say); their libraries and headers
# only under the root path.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_AARCH64} -L ${AARCH64_SYSROOT})
endif()
