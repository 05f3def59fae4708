# Cross-build for 64-bit little-endian POWER Linux (ppc64el) with Debian's cross compiler and its
# own libraries under /usr/powerpc64le-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-ppc64le -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/powerpc64le-linux-gnu.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(ppc64le powerpc64le-linux-gnu ppc64le)
