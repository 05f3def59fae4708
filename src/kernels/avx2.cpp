// The AVX2 kernel: 64 bytes a step as two 32-byte vectors. AVX2 has no byte compress, so the
// pair bytes are packed eight at a time with a byte shuffle from a table.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_pack.hpp"

#define DEHEX_TARGET __attribute__((target("avx2,popcnt,bmi,bmi2")))

namespace {

DEHEX_TARGET __m256i digit_values(__m256i c)
{
    // Signed compares suffice: bytes from 0x80 up are negative and so fall outside 'a' to 'z'.
    const __m256i lower = _mm256_and_si256(_mm256_cmpgt_epi8(c, _mm256_set1_epi8('a' - 1)),
                                           _mm256_cmpgt_epi8(_mm256_set1_epi8('z' + 1), c));
    const __m256i from_zero = _mm256_sub_epi8(c, _mm256_set1_epi8('0'));
    return _mm256_sub_epi8(from_zero, _mm256_and_si256(lower, _mm256_set1_epi8('a' - 10 - '0')));
}

// Byte i of the result is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
DEHEX_TARGET __m256i pair_values(__m256i high, __m256i low)
{
    const __m256i shifted = _mm256_slli_epi16(digit_values(high), 4);
    return _mm256_add_epi8(_mm256_and_si256(shifted, _mm256_set1_epi8(static_cast<char>(0xF0))),
                           digit_values(low));
}

DEHEX_TARGET uint64_t byte_mask(__m256i low_half, __m256i high_half)
{
    return uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(low_half))} |
           uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high_half))} << 32;
}

DEHEX_TARGET uint8_t* pack32(__m256i bytes, uint64_t mask, uint8_t* out)
{
    out = pack16(_mm256_castsi256_si128(bytes), mask, out);
    return pack16(_mm256_extracti128_si256(bytes, 1), mask >> 16, out);
}

}  // namespace

DEHEX_TARGET block_progress decode_blocks_avx2(std::span<const uint8_t> in, uint8_t* out,
                                               bool& skipping)
{
    const __m256i lf_bytes = _mm256_set1_epi8('\n');
    const __m256i zero = _mm256_setzero_si256();
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        const __m256i here0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i here1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i next0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const __m256i next1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 33));
        const uint64_t lf = byte_mask(_mm256_cmpeq_epi8(here0, lf_bytes), _mm256_cmpeq_epi8(here1, lf_bytes));
        const uint64_t nul = byte_mask(_mm256_cmpeq_epi8(here0, zero), _mm256_cmpeq_epi8(here1, zero));
        const uint64_t pairs = pair_starts(lf, nul, is_text(p[block_size]), carry);
        out = pack32(pair_values(here0, next0), pairs, out);
        out = pack32(pair_values(here1, next1), pairs >> 32, out);
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
