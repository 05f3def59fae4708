// The portable kernel compiled for the RISC-V vector extension (V), which clang then vectorizes
// for: Debian's riscv64 baseline (RV64GC) does not have it, so it is chosen where the kernel
// reports it. GCC 12 knows nothing of V; this file is built only by clang.
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
