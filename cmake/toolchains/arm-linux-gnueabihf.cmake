# Cross-build for 32-bit ARM Linux (armhf: ARMv7, hard float) with Debian's cross compiler,
# against armhf libraries installed through multiarch (libgtest-dev:armhf), running what it
# builds under qemu-user.
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm-linux-gnueabihf.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(arm arm-linux-gnueabihf arm MULTIARCH arm-linux-gnueabihf)
