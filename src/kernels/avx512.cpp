// The AVX-512 kernel: 64 bytes a step, masks straight from byte compares, and the pair bytes
// packed together with VBMI2's byte compress.
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

}  // namespace

DEHEX_TARGET block_progress decode_blocks_avx512(std::span<const uint8_t> in, uint8_t* out,
                                                 bool& skipping)
{
    block_carry carry{skipping, false};
    size_t i = 0;
    size_t produced = 0;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        const __m512i here = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const uint64_t lf = _mm512_cmpeq_epi8_mask(here, _mm512_set1_epi8('\n'));
        const uint64_t nul = _mm512_testn_epi8_mask(here, here);
        const uint64_t pairs = pair_starts(lf, nul, is_text(p[block_size]), carry);
        _mm512_storeu_si512(out + produced, _mm512_maskz_compress_epi8(pairs, pair_values(here, next)));
        produced += static_cast<size_t>(std::popcount(pairs));
    }
    skipping = carry.skipping;
    return {i + carry.low_next, produced};
}
