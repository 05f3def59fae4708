# Cross-build for AArch64 Linux with Debian's cross compiler, against arm64 libraries installed
# through multiarch (libgtest-dev:arm64 and so on), running what it builds under qemu-user.
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

# Target libraries and packages: the cross toolchain's own, and the multiarch ones under /usr
# (found in their lib/aarch64-linux-gnu directories, never the build machine's). Programs are
# the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No -L: the guest's loader and libraries are the multiarch ones in /lib/aarch64-linux-gnu,
# where qemu finds them by itself. Mixing in the cross toolchain's copies makes forked children
# hang.
find_program(DEHEX_QEMU_AARCH64 qemu-aarch64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU_AARCH64})
