// The portable kernel compiled for the RISC-V vector extension (V), which clang then vectorizes
// for: Debian's riscv64 baseline (RV64GC) lacks it. GCC 12 knows nothing of V, so the kernel is
// built only by clang 18 or later (cmake/toolchains/riscv64-linux-gnu-clang.cmake).
#include "kernel.hpp"

#if defined(__riscv) && defined(__clang__) && __clang_major__ >= 18
#include <sys/auxv.h>

#include <bit>
#include <type_traits>

#include "blocks.hpp"
#include "decode.hpp"
#include "target.hpp"

namespace rvv {

bool supported()
{
    return (getauxval(AT_HWCAP) & (1UL << ('V' - 'A'))) != 0;
}

DEHEX_TARGET_BEGIN("arch=+v")
#include "pair_starts.hpp"
#include "block_loop.hpp"
#include "swar.hpp"
#include "portable.hpp"

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives<swar_masks>>(in, out, skipping);
}
DEHEX_TARGET_END

}  // namespace rvv

DEHEX_KERNEL(rvv);
#else
DEHEX_NO_KERNEL(rvv);
#endif
