// The AVX2 kernel: 64 bytes a step as two 32-byte vectors. AVX2 has no byte compress, so the
// pair bytes are packed eight at a time with a byte shuffle from a table.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"

#define DEHEX_TARGET __attribute__((target("avx2,popcnt,bmi,bmi2")))

namespace {

// For each 8-bit mask, the indices of its set bits, lowest first, one per byte, as pshufb takes
// them: for the low eight bytes of a vector in the low half of an entry, for the high eight
// bytes in the high half. The other half is zero, so the two entries of a 16-bit mask combine
// with an OR straight from memory.
struct pack_tables {
    alignas(16) uint8_t low[256][16];
    alignas(16) uint8_t high[256][16];
};

constexpr pack_tables make_pack_tables()
{
    pack_tables t{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned n = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((mask >> bit) & 1) {
                t.low[mask][n] = static_cast<uint8_t>(bit);
                t.high[mask][8 + n] = static_cast<uint8_t>(8 + bit);
                ++n;
            }
        }
    }
    return t;
}

constexpr pack_tables pack = make_pack_tables();

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

// Stores the bytes of `bytes` whose bits are set in the low 16 bits of `mask`, in order.
DEHEX_TARGET uint8_t* pack16(__m128i bytes, uint64_t mask, uint8_t* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    const __m128i order = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(pack.low[low])),
                                       _mm_load_si128(reinterpret_cast<const __m128i*>(pack.high[high])));
    const __m128i packed = _mm_shuffle_epi8(bytes, order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    out += std::popcount(low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out), _mm_castsi128_ps(packed));
    return out + std::popcount(high);
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
