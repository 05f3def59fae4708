// The portable kernel compiled for the NEON unit of 32-bit ARM, which compilers then vectorize
// for (Debian's armhf baseline, ARMv7 with VFPv3-D16, lacks it), with line feeds and NULs found
// by byte compares rather than in two registers a word. Little-endian only: the masks are read
// back from the vector as one 64-bit lane.
#include "kernel.hpp"

#if defined(__arm__) && defined(__ARMEL__)
#include <arm_neon.h>
#include <sys/auxv.h>

#include <type_traits>

#include "blocks.hpp"
#include "decode.hpp"
#include "target.hpp"

namespace neon32 {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0;
}

DEHEX_TARGET_BEGIN("fpu=neon")
#include "pair_starts.hpp"
#include "block_loop.hpp"
#include "portable.hpp"

namespace {

// Byte compares, folded into bits by pairwise adds of 8-byte vectors.
struct neon_masks {
    static inline uint64_t byte_mask(const uint8_t* block, uint8_t c)
    {
        static constexpr uint8_t weight_bytes[8] = {1, 2, 4, 8, 16, 32, 64, 128};
        const uint8x8_t weights = vld1_u8(weight_bytes);
        const uint8x16_t sought = vdupq_n_u8(c);
        uint8x8_t sums[4];
        for (unsigned k = 0; k < 4; ++k) {
            const uint8x16_t hits = vandq_u8(vceqq_u8(vld1q_u8(block + 16 * k), sought), vcombine_u8(weights, weights));
            sums[k] = vpadd_u8(vget_low_u8(hits), vget_high_u8(hits));
        }
        const uint8x8_t quarters = vpadd_u8(vpadd_u8(sums[0], sums[1]), vpadd_u8(sums[2], sums[3]));
        return vget_lane_u64(vreinterpret_u64_u8(quarters), 0);
    }

    static inline bool has_less_than(const uint8_t* block, uint8_t n)
    {
        const uint8x16_t least = vminq_u8(vminq_u8(vld1q_u8(block), vld1q_u8(block + 16)),
                                          vminq_u8(vld1q_u8(block + 32), vld1q_u8(block + 48)));
        uint8x8_t m = vpmin_u8(vget_low_u8(least), vget_high_u8(least));
        m = vpmin_u8(m, m);
        m = vpmin_u8(m, m);
        return vget_lane_u8(vpmin_u8(m, m), 0) < n;
    }

    static inline bool has_zero(const uint8_t* block) { return has_less_than(block, 1); }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives<neon_masks>>(in, out, skipping);
}
DEHEX_TARGET_END

}  // namespace neon32

DEHEX_KERNEL(neon32);
#else
DEHEX_NO_KERNEL(neon32);
#endif
