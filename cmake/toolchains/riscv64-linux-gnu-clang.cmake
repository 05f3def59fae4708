# Cross-build for 64-bit RISC-V Linux with clang 19, which compiles the kernel for the vector
# extension (V) that GCC 12 cannot, against the libraries of Debian's riscv64 cross compiler under
# /usr/riscv64-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-riscv64-clang -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/riscv64-linux-gnu-clang.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(riscv64 riscv64-linux-gnu riscv64)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_C_COMPILER_TARGET riscv64-linux-gnu)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_CXX_COMPILER_TARGET riscv64-linux-gnu)
