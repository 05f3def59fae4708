// The portable kernel (scalar.inc) compiled for the RISC-V vector extension (V), which clang then
// vectorizes for: Debian's riscv64 baseline (RV64GC) lacks it. GCC 12 knows nothing of V, so the
// kernel is built only by clang 18 or later (cmake/toolchains/riscv64-linux-gnu-clang.cmake).
#include "prelude.hpp"

#if defined(__riscv) && defined(__clang__) && __clang_major__ >= 18
#include <sys/auxv.h>

namespace rvv {

bool supported()
{
    return (getauxval(AT_HWCAP) & (1UL << ('V' - 'A'))) != 0;
}

DEHEX_TARGET_BEGIN("arch=+v")
#include "scalar.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace rvv

DEHEX_KERNEL(rvv);
#else
DEHEX_NO_KERNEL(rvv);
#endif
