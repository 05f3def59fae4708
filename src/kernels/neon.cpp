// The NEON kernel for AArch64: a block as four 16-byte vectors. Line feed and NUL masks come from
// byte compares folded into bits by pairwise adds, and the pairs are packed eight at a time with
// TBL from the packing table. Advanced SIMD is part of every AArch64 CPU: no target region.
#include "kernel.hpp"

#if defined(__aarch64__)
#include <arm_neon.h>

#include <bit>

#include "blocks.hpp"

namespace neon {

bool supported()
{
    return true;
}

#include "block_loop.hpp"

namespace {

// digit_value of each byte, modulo 256.
uint8x16_t digit_values(uint8x16_t c)
{
    const uint8x16_t lower = vcltq_u8(vsubq_u8(c, vdupq_n_u8('a')), vdupq_n_u8(26));
    const uint8x16_t from_zero = vsubq_u8(c, vdupq_n_u8('0'));
    return vsubq_u8(from_zero, vandq_u8(lower, vdupq_n_u8('a' - 10 - '0')));
}

// Byte i is 16 * high[i] + low[i], modulo 256, for digit values high and low.
uint8x16_t combine(uint8x16_t high, uint8x16_t low)
{
    return vaddq_u8(vshlq_n_u8(high, 4), low);
}

// Folds four compare results (bytes 0 or 0xFF) into one bit per byte: each byte keeps its bit
// of the weights 1, 2, ..., 128, and three rounds of pairwise adds sum each run of eight. The
// first two rounds are done here, leaving two bytes per vector, in order.
uint8x16_t fold(uint8x16_t m0, uint8x16_t m1, uint8x16_t m2, uint8x16_t m3)
{
    // Loaded rather than written as a vector literal, whose lanes big-endian targets reverse.
    static constexpr uint8_t weight_bytes[16] = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t weights = vld1q_u8(weight_bytes);
    const uint8x16_t low = vpaddq_u8(vandq_u8(m0, weights), vandq_u8(m1, weights));
    const uint8x16_t high = vpaddq_u8(vandq_u8(m2, weights), vandq_u8(m3, weights));
    return vpaddq_u8(low, high);
}

// Stores the bytes of `bytes` whose bits are set in the low 16 bits of `mask`, in order.
uint8_t* pack16(uint8x16_t bytes, uint64_t mask, uint8_t* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    const uint8x16_t order = vcombine_u8(vld1_u8(pack_order[low].low), vld1_u8(pack_order[high].high));
    const uint8x16_t packed = vqtbl1q_u8(bytes, order);
    vst1_u8(out, vget_low_u8(packed));
    out += std::popcount(low);
    vst1_u8(out, vget_high_u8(packed));
    return out + std::popcount(high);
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    struct block {
        uint8x16_t v0, v1, v2, v3;
        const uint8_t* p;
    };

    static block load(const uint8_t* p) { return {vld1q_u8(p), vld1q_u8(p + 16), vld1q_u8(p + 32), vld1q_u8(p + 48), p}; }

    // The last round of pairwise adds folds both masks at once.
    static line_marks marks(const block& b)
    {
        const uint8x16_t lf = vdupq_n_u8('\n');
        const uint8x16_t lfs = fold(vceqq_u8(b.v0, lf), vceqq_u8(b.v1, lf), vceqq_u8(b.v2, lf), vceqq_u8(b.v3, lf));
        const uint8x16_t nuls = fold(vceqzq_u8(b.v0), vceqzq_u8(b.v1), vceqzq_u8(b.v2), vceqzq_u8(b.v3));
        const uint64x2_t masks = vreinterpretq_u64_u8(vpaddq_u8(lfs, nuls));
        return {vgetq_lane_u64(masks, 0), vgetq_lane_u64(masks, 1)};
    }

    // The digits split into highs and lows as they load.
    static void store_text(const block& b, const block&, bool odd, uint8_t* out)
    {
        const uint8_t* p = b.p + odd;
        const uint8x16x2_t first = vld2q_u8(p);
        const uint8x16x2_t second = vld2q_u8(p + 32);
        vst1q_u8(out, combine(digit_values(first.val[0]), digit_values(first.val[1])));
        vst1q_u8(out + 16, combine(digit_values(second.val[0]), digit_values(second.val[1])));
    }

    // The low digits are the same vectors one byte on; only the last reaches into the next block.
    static uint8_t* store_pairs(const block& b, const block& next, uint64_t pairs, uint8_t* out)
    {
        const uint8x16_t d0 = digit_values(b.v0);
        const uint8x16_t d1 = digit_values(b.v1);
        const uint8x16_t d2 = digit_values(b.v2);
        const uint8x16_t d3 = digit_values(b.v3);
        const uint8x16_t d4 = vextq_u8(d3, digit_values(next.v0), 1);
        out = pack16(combine(d0, vextq_u8(d0, d1, 1)), pairs, out);
        out = pack16(combine(d1, vextq_u8(d1, d2, 1)), pairs >> 16, out);
        out = pack16(combine(d2, vextq_u8(d2, d3, 1)), pairs >> 32, out);
        return pack16(combine(d3, d4), pairs >> 48, out);
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives>(in, out, skipping);
}

}  // namespace neon

DEHEX_KERNEL(neon);
#else
DEHEX_NO_KERNEL(neon);
#endif
