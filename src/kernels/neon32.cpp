// The portable kernel compiled for the NEON unit of 32-bit ARM, which compilers then vectorize
// for: Debian's armhf baseline (ARMv7 with VFPv3-D16) does not have it, so it is chosen where the
// kernel reports it.
#include "kernel.hpp"

#if defined(__arm__)
#include <arm_neon.h>
#include <sys/auxv.h>

#include <cstdint>

#include "target.hpp"

namespace neon32 {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0;
}

// The portable kernel finds line feeds and NULs with swar::byte_mask and swar::has_zero, which
// on a 32-bit machine take two registers a word; these, found first from inside this namespace,
// do it with byte compares, folded into bits by pairwise adds of 8-byte vectors.
DEHEX_TARGET_BEGIN("fpu=neon")
namespace swar {

inline uint64_t byte_mask(const uint8_t* block, uint8_t c)
{
    // Loaded rather than written as a vector literal, whose lanes big-endian targets reverse.
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

inline bool has_zero(const uint8_t* block)
{
    const uint8x16_t least = vminq_u8(vminq_u8(vld1q_u8(block), vld1q_u8(block + 16)),
                                      vminq_u8(vld1q_u8(block + 32), vld1q_u8(block + 48)));
    uint8x8_t m = vpmin_u8(vget_low_u8(least), vget_high_u8(least));
    m = vpmin_u8(m, m);
    m = vpmin_u8(m, m);
    return vget_lane_u8(vpmin_u8(m, m), 0) == 0;
}

}  // namespace swar
DEHEX_TARGET_END

}  // namespace neon32

#define DEHEX_PORTABLE_KERNEL neon32
#define DEHEX_PORTABLE_TARGET "fpu=neon"
#include "scalar.cpp"

DEHEX_KERNEL(neon32);
#else
DEHEX_NO_KERNEL(neon32);
#endif
