# Cross-build for 64-bit RISC-V Linux with clang 19, which compiles the kernel for the vector
# extension (V) that GCC 12 cannot, against the libraries of Debian's riscv64 cross compiler
# under /usr/riscv64-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-riscv64-clang -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/riscv64-linux-gnu-clang.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(CMAKE_C_COMPILER clang-19)
set(CMAKE_C_COMPILER_TARGET riscv64-linux-gnu)
set(CMAKE_CXX_COMPILER clang++-19)
set(CMAKE_CXX_COMPILER_TARGET riscv64-linux-gnu)

set(CMAKE_FIND_ROOT_PATH /usr/riscv64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(DEHEX_QEMU_RISCV64 qemu-riscv64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU_RISCV64} -L /usr/riscv64-linux-gnu)
