# Cross-build for 64-bit RISC-V Linux with Debian's cross compiler and its own libraries under
# /usr/riscv64-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-riscv64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/riscv64-linux-gnu.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(riscv64 riscv64-linux-gnu riscv64)
