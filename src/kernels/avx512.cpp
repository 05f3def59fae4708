// The AVX-512 kernel: 64 bytes a step, masks straight from byte compares, and the pair bytes
// packed together with VBMI2's byte compress. Runs of 128 bytes with no line feed or NUL, the
// bulk of long lines, take a shorter way: their pairs stand at every second byte, so they need
// no bit logic and no compress.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"

#define DEHEX_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt,bmi,bmi2")))

namespace {

DEHEX_TARGET __m512i digit_values(__m512i c)
{
    const __mmask64 lower = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(c, _mm512_set1_epi8('a')),
                                                   _mm512_set1_epi8(26));
    const __m512i from_zero = _mm512_sub_epi8(c, _mm512_set1_epi8('0'));
    return _mm512_mask_sub_epi8(from_zero, lower, from_zero, _mm512_set1_epi8('a' - 10 - '0'));
}

// Byte i of the result is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
DEHEX_TARGET __m512i pair_values(__m512i high, __m512i low)
{
    const __m512i shifted = _mm512_slli_epi16(digit_values(high), 4);
    return _mm512_add_epi8(_mm512_and_si512(shifted, _mm512_set1_epi8(static_cast<char>(0xF0))),
                           digit_values(low));
}

// The 64 pairs of 128 bytes of text that begin with a high digit. Each 16-bit lane adds 16 times
// its first digit to its second (no digit value reaches the 16-bit limit), and its low byte is
// the pair's; the low bytes are gathered in each 128-bit lane, then the lanes in order.
DEHEX_TARGET __m512i even_pairs(__m512i first, __m512i second)
{
    const __m512i weights = _mm512_set1_epi16(0x0110);
    const __m512i low_bytes = _mm512_set4_epi32(-1, -1, 0x0E0C0A08, 0x06040200);
    const __m512i a = _mm512_shuffle_epi8(_mm512_maddubs_epi16(digit_values(first), weights), low_bytes);
    const __m512i b = _mm512_shuffle_epi8(_mm512_maddubs_epi16(digit_values(second), weights), low_bytes);
    return _mm512_permutex2var_epi64(a, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), b);
}

// Whether none of the bytes is a line feed or NUL. Bytes up to 10 all count as either, so that
// one compare of the bytewise minimum answers for both vectors.
DEHEX_TARGET bool all_text(__m512i a, __m512i b)
{
    return _mm512_cmple_epu8_mask(_mm512_min_epu8(a, b), _mm512_set1_epi8('\n')) == 0;
}

}  // namespace

DEHEX_TARGET block_progress decode_blocks_avx512(std::span<const uint8_t> in, uint8_t* out,
                                                 bool& skipping)
{
    block_carry carry{skipping, false};
    size_t i = 0;
    size_t produced = 0;
    bool long_line = true;  // the last block held no line feed or NUL: try the shorter way
    while (in.size() - i > block_size) {
        const uint8_t* p = in.data() + i;
        if (long_line && !carry.skipping && in.size() - i > 2 * block_size) {
            // Where the pair begun in the block before ends at byte 0, the pairs begin at byte 1
            // and the last ends on the byte after these two blocks.
            const uint8_t* q = p + carry.low_next;
            const __m512i first = _mm512_loadu_si512(q);
            const __m512i second = _mm512_loadu_si512(q + block_size);
            if (all_text(first, second)) {
                _mm512_storeu_si512(out + produced, even_pairs(first, second));
                produced += block_size;
                i += 2 * block_size;
                continue;
            }
        }
        const __m512i here = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const uint64_t lf = _mm512_cmpeq_epi8_mask(here, _mm512_set1_epi8('\n'));
        const uint64_t nul = _mm512_testn_epi8_mask(here, here);
        const uint64_t pairs = pair_starts(lf, nul, is_text(p[block_size]), carry);
        long_line = (lf | nul) == 0;
        _mm512_storeu_si512(out + produced, _mm512_maskz_compress_epi8(pairs, pair_values(here, next)));
        produced += static_cast<size_t>(std::popcount(pairs));
        i += block_size;
    }
    skipping = carry.skipping;
    return {i + carry.low_next, produced};
}
