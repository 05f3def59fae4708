// The NEON kernel for AArch64: 64 bytes a step as four 16-byte vectors. Line feed and NUL masks
// come from byte compares folded into bits by pairwise adds, and the pair bytes are packed eight
// at a time with TBL from a table. A block that is all one line has a pair at every second
// byte; there the digits are split into highs and lows as they load, and nothing is packed.
#include <arm_neon.h>

#include <bit>

#include "blocks.hpp"

namespace {

// For each 8-bit mask, the indices of its set bits, lowest first, one per byte, as TBL takes them.
struct pack_table {
    alignas(8) uint8_t order[256][8];
};

constexpr pack_table make_pack_table()
{
    pack_table t{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned n = 0;
        for (unsigned bit = 0; bit < 8; ++bit)
            if ((mask >> bit) & 1)
                t.order[mask][n++] = static_cast<uint8_t>(bit);
    }
    return t;
}

constexpr pack_table pack = make_pack_table();

uint8x16_t digit_values(uint8x16_t c)
{
    const uint8x16_t lower = vcltq_u8(vsubq_u8(c, vdupq_n_u8('a')), vdupq_n_u8(26));
    const uint8x16_t from_zero = vsubq_u8(c, vdupq_n_u8('0'));
    return vsubq_u8(from_zero, vandq_u8(lower, vdupq_n_u8('a' - 10 - '0')));
}

// Byte i of the result is 16 * high[i] + low[i], modulo 256, for digit values high and low.
uint8x16_t combine(uint8x16_t high, uint8x16_t low)
{
    return vaddq_u8(vshlq_n_u8(high, 4), low);
}

// Folds four compare results (bytes 0 or 0xFF) into one bit per byte: each byte keeps its bit
// of the weights 1, 2, ..., 128, and three rounds of pairwise adds sum each run of eight. The
// first two rounds are done here, leaving two bytes per vector, in order.
uint8x16_t fold_bytes(uint8x16_t m0, uint8x16_t m1, uint8x16_t m2, uint8x16_t m3)
{
    // Loaded rather than written as a vector literal, whose lanes big-endian targets reverse.
    static constexpr uint8_t bits[16] = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t weights = vld1q_u8(bits);
    const uint8x16_t low = vpaddq_u8(vandq_u8(m0, weights), vandq_u8(m1, weights));
    const uint8x16_t high = vpaddq_u8(vandq_u8(m2, weights), vandq_u8(m3, weights));
    return vpaddq_u8(low, high);
}

// Stores the bytes of `bytes` whose bits are set in the low 16 bits of `mask`, in order.
uint8_t* pack16(uint8x16_t bytes, uint64_t mask, uint8_t* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    const uint8x16_t order =
        vcombine_u8(vld1_u8(pack.order[low]), vadd_u8(vld1_u8(pack.order[high]), vdup_n_u8(8)));
    const uint8x16_t packed = vqtbl1q_u8(bytes, order);
    vst1_u8(out, vget_low_u8(packed));
    out += std::popcount(low);
    vst1_u8(out, vget_high_u8(packed));
    return out + std::popcount(high);
}

// Stores the 32 pairs that begin at p[0], p[2], ..., p[62], reading p[0] to p[63].
void store_every_second(const uint8_t* p, uint8_t* out)
{
    const uint8x16x2_t first = vld2q_u8(p);
    const uint8x16x2_t second = vld2q_u8(p + 32);
    vst1q_u8(out, combine(digit_values(first.val[0]), digit_values(first.val[1])));
    vst1q_u8(out + 16, combine(digit_values(second.val[0]), digit_values(second.val[1])));
}

}  // namespace

block_progress decode_blocks_neon(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    constexpr uint64_t even = 0x5555555555555555;
    constexpr uint64_t last = uint64_t{1} << 63;
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        const uint8x16_t here0 = vld1q_u8(p);
        const uint8x16_t here1 = vld1q_u8(p + 16);
        const uint8x16_t here2 = vld1q_u8(p + 32);
        const uint8x16_t here3 = vld1q_u8(p + 48);
        const uint8x16_t lf_bytes = vdupq_n_u8('\n');
        const uint8x16_t lf_folded = fold_bytes(vceqq_u8(here0, lf_bytes), vceqq_u8(here1, lf_bytes),
                                                vceqq_u8(here2, lf_bytes), vceqq_u8(here3, lf_bytes));
        const uint8x16_t nul_folded = fold_bytes(vceqzq_u8(here0), vceqzq_u8(here1),
                                                 vceqzq_u8(here2), vceqzq_u8(here3));
        const uint64x2_t masks = vreinterpretq_u64_u8(vpaddq_u8(lf_folded, nul_folded));
        const uint64_t pairs = pair_starts(vgetq_lane_u64(masks, 0), vgetq_lane_u64(masks, 1),
                                           is_text(p[block_size]), carry);

        // The common case of long lines: one line's text fills the block (or all of it after a
        // line feed at byte 0), with its pairs at every even byte, or at every odd byte but
        // perhaps the last, whose low digit is p[64].
        if (pairs == even) {
            store_every_second(p, out);
            out += 32;
            continue;
        }
        if ((pairs | last) == ~even) {
            store_every_second(p + 1, out);
            out += std::popcount(pairs);
            continue;
        }

        // The low digits are the same vectors one byte on; only the last reaches into p[64].
        const uint8x16_t digits0 = digit_values(here0);
        const uint8x16_t digits1 = digit_values(here1);
        const uint8x16_t digits2 = digit_values(here2);
        const uint8x16_t digits3 = digit_values(here3);
        const uint8x16_t next3 = digit_values(vld1q_u8(p + 49));
        out = pack16(combine(digits0, vextq_u8(digits0, digits1, 1)), pairs, out);
        out = pack16(combine(digits1, vextq_u8(digits1, digits2, 1)), pairs >> 16, out);
        out = pack16(combine(digits2, vextq_u8(digits2, digits3, 1)), pairs >> 32, out);
        out = pack16(combine(digits3, next3), pairs >> 48, out);
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
