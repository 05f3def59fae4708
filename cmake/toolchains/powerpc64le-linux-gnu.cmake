# Cross-build for 64-bit little-endian POWER Linux (ppc64el) with Debian's cross compiler and its
# own libraries under /usr/powerpc64le-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-ppc64le -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/powerpc64le-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(CMAKE_C_COMPILER powerpc64le-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER powerpc64le-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/powerpc64le-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The cross toolchain's libraries are the only ppc64le ones here, so qemu is pointed at them.
find_program(DEHEX_QEMU_PPC64LE qemu-ppc64le REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU_PPC64LE} -L /usr/powerpc64le-linux-gnu)
