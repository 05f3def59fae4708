# Cross-build for s390x Linux, a big-endian machine, with Debian's cross compiler and its own
# libraries under /usr/s390x-linux-gnu, running what it builds under qemu-user. Multiarch has
# few s390x -dev packages, so GoogleTest is built for the target from /usr/src/googletest (see
# .ci/cross) and found through GTest_DIR.
#   cmake -S . -B build-s390x -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/s390x-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CMAKE_C_COMPILER s390x-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER s390x-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/s390x-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The cross toolchain's libraries are the only s390x ones here, so qemu is pointed at them.
find_program(DEHEX_QEMU_S390X qemu-s390x REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU_S390X} -L /usr/s390x-linux-gnu)
