# Cross-build for s390x Linux, a big-endian machine, with Debian's cross compiler and its own
# libraries under /usr/s390x-linux-gnu, running what it builds under qemu-user. Multiarch has
# few s390x -dev packages, so GoogleTest is built for the target from /usr/src/googletest (see
# .ci/cross) and found through GTest_DIR.
#   cmake -S . -B build-s390x -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/s390x-linux-gnu.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(s390x s390x-linux-gnu s390x)
