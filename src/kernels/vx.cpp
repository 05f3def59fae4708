// The portable kernel compiled for the vector facility of IBM Z (z13 and later), which compilers
// then vectorize for: Debian's s390x baseline lacks it.
#include "kernel.hpp"

#if defined(__s390x__)
#include <sys/auxv.h>

#include <bit>
#include <type_traits>

#include "blocks.hpp"
#include "decode.hpp"
#include "target.hpp"

namespace vx {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_S390_VX) != 0;
}

DEHEX_TARGET_BEGIN("arch=z13")
#include "pair_starts.hpp"
#include "block_loop.hpp"
#include "swar.hpp"
#include "portable.hpp"

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives<swar_masks>>(in, out, skipping);
}
DEHEX_TARGET_END

}  // namespace vx

DEHEX_KERNEL(vx);
#else
DEHEX_NO_KERNEL(vx);
#endif
