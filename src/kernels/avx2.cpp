// The AVX2 kernel: a block as two 32-byte vectors. AVX2 has no byte compress, so the pairs are
// packed eight at a time with a byte shuffle from the packing table.
#include "kernel.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

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

// digit_value of each byte, modulo 256. Adding 0x80 - 'a' moves 'a' to 'z' to the 26 lowest
// signed bytes, and only them.
__m256i digit_values(__m256i c)
{
    const __m256i moved = _mm256_add_epi8(c, _mm256_set1_epi8(static_cast<char>(0x80 - 'a')));
    const __m256i lower = _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(0x80 + 26)), moved);
    return _mm256_sub_epi8(_mm256_sub_epi8(c, _mm256_set1_epi8('0')),
                           _mm256_and_si256(lower, _mm256_set1_epi8('a' - 10 - '0')));
}

// Byte i is the pair that begins at byte i of `c`, whose low digits are `next`, one byte on.
__m256i pair_values(__m256i c, __m256i next)
{
    const __m256i high = _mm256_and_si256(_mm256_slli_epi16(digit_values(c), 4), _mm256_set1_epi8(static_cast<char>(0xF0)));
    return _mm256_add_epi8(high, digit_values(next));
}

uint64_t bits(__m256i low_half, __m256i high_half)
{
    return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(low_half))} |
           uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high_half))} << 32;
}

uint8_t* pack32(__m256i bytes, uint64_t mask, uint8_t* out)
{
    out = pack16(_mm256_castsi256_si128(bytes), mask, out);
    return pack16(_mm256_extracti128_si256(bytes, 1), mask >> 16, out);
}

struct primitives {
    static constexpr int text_run = 2;

    struct block {
        const uint8_t* p;
        __m256i low, high;
    };

    static block load(const uint8_t* p) { return {p, load32(p), load32(p + 32)}; }

    static line_marks marks(const block& b)
    {
        const __m256i lf = _mm256_set1_epi8('\n');
        const __m256i zero = _mm256_setzero_si256();
        return {bits(_mm256_cmpeq_epi8(b.low, lf), _mm256_cmpeq_epi8(b.high, lf)),
                bits(_mm256_cmpeq_epi8(b.low, zero), _mm256_cmpeq_epi8(b.high, zero))};
    }

    // Each 16-bit lane adds 16 times its first digit to its second (no digit value reaches the
    // 16-bit limit), and its low byte is the pair; the low bytes are gathered in each 128-bit
    // lane, then the lanes put in order.
    static void store_text(const block& text, const block&, bool odd, uint8_t* out)
    {
        const uint8_t* p = text.p + odd;
        const __m256i weights = _mm256_set1_epi16(0x0110);
        const __m256i low_bytes = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1,
                                                   0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1);
        const __m256i a = _mm256_shuffle_epi8(_mm256_maddubs_epi16(digit_values(load32(p)), weights), low_bytes);
        const __m256i b = _mm256_shuffle_epi8(_mm256_maddubs_epi16(digit_values(load32(p + 32)), weights), low_bytes);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8));
    }

    static uint8_t* store_pairs(const block& b, const block&, uint64_t pairs, uint8_t* out)
    {
        out = pack32(pair_values(b.low, load32(b.p + 1)), pairs, out);
        return pack32(pair_values(b.high, load32(b.p + 33)), pairs >> 32, out);
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace avx2

DEHEX_KERNEL(avx2);
#else
DEHEX_NO_KERNEL(avx2);
#endif
