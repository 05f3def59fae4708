# Cross-build for AArch64 Linux with Debian's cross compiler, against arm64 libraries installed
# through multiarch (libgtest-dev:arm64 and so on), running what it builds under qemu-user.
#   cmake -S . -B build-aarch64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/aarch64-linux-gnu.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(aarch64 aarch64-linux-gnu aarch64 MULTIARCH aarch64-linux-gnu)
