// The AVX2 kernel: a block as two 32-byte vectors, their digit values found as its pairs are
// stored, from memory, where a digit one byte on is found as cheaply as one in place. AVX2 has no
// byte compress, so the pairs are packed 16 bytes at a time with a byte shuffle whose index list
// comes from the packing table (x86_pack.hpp). Nothing that the CPUs it is chosen for run from
// microcode: no pext or pdep (AMD before Zen 3), and no vperm2i128 or vpermq (Zen 1: 8 and 3
// macro-ops); the lanes are crossed by an extract and an insert instead.
#include "kernel.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_pack.hpp"
#include "x86_target.hpp"

namespace avx2 {

DEHEX_X86_KERNEL_BEGIN("avx2,popcnt,bmi,bmi2")
#include "block_loop.hpp"

namespace {

__m256i load32(const uint8_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

void store16(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// digit_value of each byte, modulo 256: the byte less '0', or less 'a' - 10 for 'a' to 'z'.
// Adding 0x80 - 'a' moves 'a' to 'z' to the 26 lowest signed bytes, and only them. The byte is
// only ever added, so that it can be read from memory.
__m256i digit_values(__m256i c)
{
    const __m256i moved = _mm256_add_epi8(c, _mm256_set1_epi8(static_cast<char>(0x80 - 'a')));
    const __m256i lower = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + 26)), moved);
    return _mm256_add_epi8(c, _mm256_blendv_epi8(_mm256_set1_epi8(-'0'), _mm256_set1_epi8(10 - 'a'), lower));
}

// The 32 bytes that follow `first` in a block: its last 31 and the first of `second`.
__m256i one_on(__m256i first, __m256i second)
{
    const __m256i between = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm256_extracti128_si256(first, 1)),
                                                    _mm256_castsi256_si128(second), 1);
    return _mm256_alignr_epi8(between, first, 1);
}

// Byte i is the pair that begins at byte i, from the digits there and one byte on.
__m256i pair_values(__m256i digits, __m256i next_digits)
{
    const __m256i high = _mm256_and_si256(_mm256_slli_epi16(digits, 4), _mm256_set1_epi8(static_cast<char>(0xF0)));
    return _mm256_add_epi8(high, next_digits);
}

// The pairs that begin at even bytes, from the digits there and one byte on, as 16 bytes in the
// low half of each 128-bit lane. Each 16-bit lane adds 16 times its first digit to its second (no
// digit value reaches the 16-bit limit), and its low byte is the pair.
__m256i even_pairs(__m256i digits)
{
    const __m256i low_bytes = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1,
                                               0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1);
    return _mm256_shuffle_epi8(_mm256_maddubs_epi16(digits, _mm256_set1_epi16(0x0110)), low_bytes);
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    // Where the block is, and its bytes for its marks: the loop hands a block on to the next step
    // with no vector that the step would have to carry.
    struct block {
        const uint8_t* at;
        __m256i low, high;
    };

    static block load(const uint8_t* p)
    {
        return {p, load32(p), load32(p + 32)};
    }

    // NULs are rare: the least byte of the block tells whether it holds one, and their mask is
    // made only then.
    static line_marks marks(const block& b)
    {
        const __m256i lf = _mm256_set1_epi8('\n');
        const __m256i zero = _mm256_setzero_si256();
        const auto bits = [](__m256i low, __m256i high) {
            return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(low))} |
                   uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high))} << 32;
        };
        const uint64_t lfs = bits(_mm256_cmpeq_epi8(b.low, lf), _mm256_cmpeq_epi8(b.high, lf));
        const __m256i nuls = _mm256_cmpeq_epi8(_mm256_min_epu8(b.low, b.high), zero);
        if (_mm256_testz_si256(nuls, nuls)) [[likely]]
            return {lfs, 0};
        return {lfs, bits(_mm256_cmpeq_epi8(b.low, zero), _mm256_cmpeq_epi8(b.high, zero))};
    }

    // No byte below 11, so no line feed and no NUL.
    static bool plain(const block& b)
    {
        const __m256i below = _mm256_subs_epu8(_mm256_set1_epi8(11), _mm256_min_epu8(b.low, b.high));
        return _mm256_testz_si256(below, below) != 0;
    }

    static void store_text(const block& b, uint8_t* out)
    {
        const __m256i low = digit_values(load32(b.at));
        const __m256i high = digit_values(load32(b.at + 32));
        // Lane 0 holds pairs 0-7 and 16-23, lane 1 pairs 8-15 and 24-31.
        const __m256i pairs = _mm256_unpacklo_epi64(even_pairs(low), even_pairs(high));
        const __m128i lane0 = _mm256_castsi256_si128(pairs);
        const __m128i lane1 = _mm256_extracti128_si256(pairs, 1);
        store16(out, _mm_unpacklo_epi64(lane0, lane1));
        store16(out + 16, _mm_unpackhi_epi64(lane0, lane1));
    }

    // Each 16 bytes' pairs are packed into the low 8 bytes of their lane, and stored 16 bytes at a
    // time where the pairs before them end.
    static uint8_t* store_pairs(const block& b, const block&, uint64_t pairs, uint8_t* out)
    {
        const uint8_t* const at = b.at;
        const __m256i low_digits = digit_values(load32(at));
        const __m256i high_digits = digit_values(load32(at + 32));
        const __m256i low = pair_values(low_digits, one_on(low_digits, high_digits));
        // The last pair's low digit is byte 0 of the block after in memory.
        const __m256i high = pair_values(high_digits, digit_values(load32(at + 33)));
        const uint64_t lane0 = pairs & 0xFFFF;
        const uint64_t lane1 = _bextr_u64(pairs, 16, 16);
        const uint64_t lane2 = _bextr_u64(pairs, 32, 16);
        const uint64_t lane3 = pairs >> 48;
        const __m256i low_order = _mm256_inserti128_si256(_mm256_castsi128_si256(pack_shuffle(lane0)), pack_shuffle(lane1), 1);
        const __m256i high_order = _mm256_inserti128_si256(_mm256_castsi128_si256(pack_shuffle(lane2)), pack_shuffle(lane3), 1);
        const __m256i low_packed = _mm256_shuffle_epi8(low, low_order);
        const __m256i high_packed = _mm256_shuffle_epi8(high, high_order);
        const int all = std::popcount(pairs);
        uint8_t* const out1 = out + std::popcount(lane0);
        uint8_t* const out2 = out1 + std::popcount(lane1);
        store16(out, _mm256_castsi256_si128(low_packed));
        store16(out1, _mm256_extracti128_si256(low_packed, 1));
        store16(out2, _mm256_castsi256_si128(high_packed));
        store16(out2 + std::popcount(lane2), _mm256_extracti128_si256(high_packed, 1));
        return out + all;
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    fill_pack_lists();
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace avx2

DEHEX_KERNEL(avx2);
#else
DEHEX_NO_KERNEL(avx2);
#endif
