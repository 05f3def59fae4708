// The portable kernel compiled for the RISC-V vector extension (V), which clang then vectorizes
// for: Debian's riscv64 baseline (RV64GC) does not have it, so it is chosen where the kernel
// reports it. GCC 12 knows nothing of V, so the kernel is built only by clang 18 or later
// (cmake/toolchains/riscv64-linux-gnu-clang.cmake).
#include "kernel.hpp"

#if defined(__riscv) && defined(__clang__) && __clang_major__ >= 18
#include <sys/auxv.h>

namespace rvv {

bool supported()
{
    return (getauxval(AT_HWCAP) & (1UL << ('V' - 'A'))) != 0;
}

}  // namespace rvv

#define DEHEX_PORTABLE_KERNEL rvv
#define DEHEX_PORTABLE_TARGET "arch=+v"
#include "scalar.cpp"

DEHEX_KERNEL(rvv);
#else
DEHEX_NO_KERNEL(rvv);
#endif
