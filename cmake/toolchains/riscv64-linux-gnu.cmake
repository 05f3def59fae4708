# Cross-build for 64-bit RISC-V Linux with Debian's cross compiler and its own libraries under
# /usr/riscv64-linux-gnu, running what it builds under qemu-user.
#   cmake -S . -B build-riscv64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/riscv64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(CMAKE_C_COMPILER riscv64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER riscv64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/riscv64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The cross toolchain's libraries are the only riscv64 ones here, so qemu is pointed at them.
find_program(DEHEX_QEMU_RISCV64 qemu-riscv64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU_RISCV64} -L /usr/riscv64-linux-gnu)
