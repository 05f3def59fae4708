// The NEON kernel for AArch64: a block as four 16-byte vectors, and their digit values found once
// as it loads. The line feed mask comes from byte compares folded into bits by pairwise adds, and
// the NUL mask only where the block holds a NUL. Each 16 bytes' pairs are packed with one 8-byte
// TBL from the packing table (pack_lists.hpp) and stored where a single count of the whole pairs
// mask puts them. A block of text is loaded again by LD2, its even and its odd bytes apart, and
// its pairs found from the bytes.
// Advanced SIMD is part of every AArch64 CPU: no target region. Little-endian only: masks and
// table rows are read back across lane sizes.
#include "kernel.hpp"

#if defined(__AARCH64EL__)
#include <arm_neon.h>

#include "blocks.hpp"
#include "pack_lists.hpp"

namespace neon {

bool supported()
{
    return true;
}

#include "block_loop.hpp"

namespace {

// digit_value of each byte, modulo 256: 10 on from c - 'a' for a lowercase letter, 49 on for
// any other byte (c - '0').
uint8x16_t digit_values(uint8x16_t c)
{
    const uint8x16_t from_a = vsubq_u8(c, vdupq_n_u8('a'));
    const uint8x16_t lower = vcltq_u8(from_a, vdupq_n_u8(26));
    return vaddq_u8(from_a, vbslq_u8(lower, vdupq_n_u8(10), vdupq_n_u8('a' - '0')));
}

// Byte i is 16 * high[i] + low[i], modulo 256, for digit values high and low: one multiply-add.
uint8x16_t combine(uint8x16_t high, uint8x16_t low)
{
    return vmlaq_u8(low, high, vdupq_n_u8(16));
}

// The values of the pairs high[i], low[i] of a block of text, from the bytes themselves. With h
// and l the bytes less 'a', a digit value is 49 more than h, or than h - 39 for a lowercase letter
// (a multiply-add of the compare's all-ones, -1). So a value is 16 * h + l, less 16 * 39 (112
// modulo 256) for a letter high and 39 for a letter low, plus 17 * 49 (65 modulo 256).
static_assert(16 * ('a' - '0' - 10) % 256 == 112 && 17 * ('a' - '0') % 256 == 65);
uint8x16_t text_pairs(uint8x16_t high, uint8x16_t low)
{
    const uint8x16_t h = vsubq_u8(high, vdupq_n_u8('a')), l = vsubq_u8(low, vdupq_n_u8('a'));
    const uint8x16_t lower_h = vcltq_u8(h, vdupq_n_u8(26)), lower_l = vcltq_u8(l, vdupq_n_u8(26));
    const uint8x16_t sum = vmlaq_u8(vmlaq_u8(l, lower_l, vdupq_n_u8(39)), h, vdupq_n_u8(16));
    return vaddq_u8(vmlaq_u8(sum, lower_h, vdupq_n_u8(112)), vdupq_n_u8(65));
}

// Four compare results (bytes 0 or 0xFF) as one bit per byte, in the low 64 bits: each byte keeps
// its bit of the weights 1, 2, ..., 128, and three rounds of pairwise adds sum each run of eight.
// The last round's other half sums the bytes of `beside` two by two: 0 only where both are 0, if
// they are compare results.
uint8x16_t bits_of(uint8x16_t m0, uint8x16_t m1, uint8x16_t m2, uint8x16_t m3, uint8x16_t beside)
{
    static constexpr uint8_t weight_bytes[16] = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
    const uint8x16_t weights = vld1q_u8(weight_bytes);
    const uint8x16_t low = vpaddq_u8(vandq_u8(m0, weights), vandq_u8(m1, weights));
    const uint8x16_t high = vpaddq_u8(vandq_u8(m2, weights), vandq_u8(m3, weights));
    return vpaddq_u8(vpaddq_u8(low, high), beside);
}

template <int i>
uint64_t half(uint8x16_t v)
{
    return vgetq_lane_u64(vreinterpretq_u64_u8(v), i);
}

// Byte k is the number of bits of `bits` up to bit 8k + 7: one CNT and a multiply.
uint64_t running_counts(uint64_t bits)
{
    const uint8x8_t counts = vcnt_u8(vcreate_u8(bits));
    return vget_lane_u64(vreinterpret_u64_u8(counts), 0) * 0x0101010101010101;
}

// Stores the values whose bits are set in the low 16 bits of `mask`, no two next to each other, at
// `out`, in order; writes 8 bytes.
void pack16(uint8x16_t values, uint64_t mask, uint8_t* out)
{
    vst1_u8(out, vqtbl1_u8(values, vld1_u8(pack_lists[mask & 0xFFFF].data())));
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    struct block {
        const uint8_t* at;          // where they were loaded from
        uint8x16_t c0, c1, c2, c3;  // the bytes
        uint8x16_t d0, d1, d2, d3;  // their digit values
    };

    static block load(const uint8_t* p)
    {
        const uint8x16_t c0 = vld1q_u8(p), c1 = vld1q_u8(p + 16), c2 = vld1q_u8(p + 32), c3 = vld1q_u8(p + 48);
        return {p, c0, c1, c2, c3, digit_values(c0), digit_values(c1), digit_values(c2), digit_values(c3)};
    }

    // A block of text holds no zero byte: the least of its bytes tells that without a mask, beside
    // the line feeds' bits, and the mask is found apart, so that the compiler does not find it on
    // every block anyway.
    static line_marks marks(const block& b)
    {
        const uint8x16_t lf = vdupq_n_u8('\n');
        const uint8x16_t least = vminq_u8(vminq_u8(b.c0, b.c1), vminq_u8(b.c2, b.c3));
        const uint8x16_t bits = bits_of(vceqq_u8(b.c0, lf), vceqq_u8(b.c1, lf), vceqq_u8(b.c2, lf), vceqq_u8(b.c3, lf),
                                        vceqzq_u8(least));
        if (half<1>(bits) == 0) [[likely]]
            return {half<0>(bits), 0};
        return {half<0>(bits), nuls(b.c0, b.c1, b.c2, b.c3)};
    }

    // No byte below 11, so no line feed and no NUL.
    static bool plain(const block& b)
    {
        return vminvq_u8(vminq_u8(vminq_u8(b.c0, b.c1), vminq_u8(b.c2, b.c3))) >= 11;
    }

    // The vectors one by one, in registers: a block by reference would live in memory.
    [[gnu::noinline, gnu::cold]] static uint64_t nuls(uint8x16_t c0, uint8x16_t c1, uint8x16_t c2, uint8x16_t c3)
    {
        return half<0>(bits_of(vceqzq_u8(c0), vceqzq_u8(c1), vceqzq_u8(c2), vceqzq_u8(c3), vdupq_n_u8(0)));
    }

    // The value of the pair at every byte: the low digits are the same vectors one byte on.
    static uint8_t* store_pairs(const block& b, const block& next, uint64_t pairs, uint8_t* out)
    {
        const uint8x16_t v0 = combine(b.d0, vextq_u8(b.d0, b.d1, 1));
        const uint8x16_t v1 = combine(b.d1, vextq_u8(b.d1, b.d2, 1));
        const uint8x16_t v2 = combine(b.d2, vextq_u8(b.d2, b.d3, 1));
        const uint8x16_t v3 = combine(b.d3, vextq_u8(b.d3, next.d0, 1));
        const uint64_t ends = running_counts(pairs);
        // Each 16 bytes begin at most eight pairs: the spare bytes stored are written over by the
        // next 16's, or fall in the room past the output.
        pack16(v0, pairs, out);
        pack16(v1, pairs >> 16, out + ((ends >> 8) & 0xFF));
        pack16(v2, pairs >> 32, out + ((ends >> 24) & 0xFF));
        pack16(v3, pairs >> 48, out + ((ends >> 40) & 0xFF));
        return out + (ends >> 56);
    }

    // The bytes at even places and at odd places, loaded apart again (the block's vectors go
    // unused, and their loads with them).
    static void store_text(const block& b, uint8_t* out)
    {
        const uint8x16x2_t first = vld2q_u8(b.at), second = vld2q_u8(b.at + 32);
        vst1q_u8(out, text_pairs(first.val[0], first.val[1]));
        vst1q_u8(out + 16, text_pairs(second.val[0], second.val[1]));
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    fill_pack_lists();
    return decode_blocks_with<primitives>(in, out, skipping);
}

}  // namespace neon

DEHEX_KERNEL(neon);
#else
DEHEX_NO_KERNEL(neon);
#endif
