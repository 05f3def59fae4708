// The AVX2 kernel: 64 bytes a step as two 32-byte vectors. AVX2 has no byte compress, so the
// pair bytes are packed eight at a time with a byte shuffle from a table. Blocks with no line
// feed or NUL, the bulk of long lines, take a shorter way: their pairs stand at every second
// byte, so they need no bit logic and no packing table.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_pack.hpp"

#define DEHEX_TARGET __attribute__((target("avx2,popcnt,bmi,bmi2")))

namespace {

// The byte constants of the loop of whole blocks, made once and hidden from the optimizer: left
// to itself, it builds them anew in every step once the loop holds the shorter way too.
struct block_constants {
    __m256i lf, zero, before_a, after_z, zero_digit, letter_gap, high_nibble;
};

DEHEX_TARGET __m256i opaque(__m256i v)
{
    __asm__("" : "+x"(v));
    return v;
}

DEHEX_TARGET block_constants make_block_constants()
{
    return {opaque(_mm256_set1_epi8('\n')), opaque(_mm256_setzero_si256()),
            opaque(_mm256_set1_epi8('a' - 1)), opaque(_mm256_set1_epi8('z' + 1)),
            opaque(_mm256_set1_epi8('0')), opaque(_mm256_set1_epi8('a' - 10 - '0')),
            opaque(_mm256_set1_epi8(static_cast<char>(0xF0)))};
}

// Signed compares suffice: bytes from 0x80 up are negative and so fall outside 'a' to 'z'.
DEHEX_TARGET __m256i digit_values(__m256i c, const block_constants& k)
{
    const __m256i lower = _mm256_and_si256(_mm256_cmpgt_epi8(c, k.before_a), _mm256_cmpgt_epi8(k.after_z, c));
    return _mm256_sub_epi8(_mm256_sub_epi8(c, k.zero_digit), _mm256_and_si256(lower, k.letter_gap));
}

// Byte i of the result is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
DEHEX_TARGET __m256i pair_values(__m256i high, __m256i low, const block_constants& k)
{
    const __m256i shifted = _mm256_slli_epi16(digit_values(high, k), 4);
    return _mm256_add_epi8(_mm256_and_si256(shifted, k.high_nibble), digit_values(low, k));
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

// The 32 pairs of 64 bytes of text that begin with a high digit. Each 16-bit lane adds 16 times
// its first digit to its second (no digit value reaches the 16-bit limit), and its low byte is
// the pair's; the low bytes are gathered in each 128-bit lane, then the lanes put in order.
DEHEX_TARGET __m256i even_pairs(__m256i first, __m256i second, const block_constants& k)
{
    const __m256i weights = _mm256_set1_epi16(0x0110);
    const __m256i low_bytes = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1,
                                               0, 2, 4, 6, 8, 10, 12, 14, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i a = _mm256_shuffle_epi8(_mm256_maddubs_epi16(digit_values(first, k), weights), low_bytes);
    const __m256i b = _mm256_shuffle_epi8(_mm256_maddubs_epi16(digit_values(second, k), weights), low_bytes);
    return _mm256_permute4x64_epi64(_mm256_unpacklo_epi64(a, b), 0xD8);
}

// Whether none of the bytes is a line feed or NUL. Bytes up to 10 all count as either, so that
// one test of the bytewise minimum answers for both vectors.
DEHEX_TARGET bool all_text(__m256i a, __m256i b)
{
    const __m256i low = _mm256_subs_epu8(_mm256_set1_epi8('\n' + 1), _mm256_min_epu8(a, b));
    return _mm256_testz_si256(low, low);
}

// Decodes text from `text` on, 64 bytes a step, up to the first step that holds a line feed or
// NUL or that leaves no byte after it in the `size` bytes from `text - offset` on, offset 0 or 1.
// Returns the bytes consumed; writes half as many. Kept apart from the loop of whole blocks,
// whose vector constants the compiler would otherwise build anew in every step.
__attribute__((noinline)) DEHEX_TARGET size_t decode_text_run(const uint8_t* text, size_t size, uint8_t* out)
{
    const block_constants k = make_block_constants();
    size_t i = 0;
    for (; size - i > block_size; i += block_size) {
        const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
        const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + 32));
        if (!all_text(first, second))
            break;
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i / 2), even_pairs(first, second, k));
    }
    return i;
}

}  // namespace

DEHEX_TARGET block_progress decode_blocks_avx2(std::span<const uint8_t> in, uint8_t* out,
                                               bool& skipping)
{
    const block_constants k = make_block_constants();
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    bool long_line = true;  // the last block held no line feed or NUL: try the shorter way
    size_t i = 0;
    for (; in.size() - i > block_size; i += block_size) {
        if (long_line && !carry.skipping) {
            // Where the pair begun in the block before ends at byte 0, the pairs begin at byte 1.
            const size_t run = decode_text_run(in.data() + i + carry.low_next, in.size() - i, out);
            i += run;
            out += run / 2;
            if (in.size() - i <= block_size)
                break;
        }
        const uint8_t* p = in.data() + i;
        const __m256i here0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i here1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i next0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 1));
        const __m256i next1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 33));
        const uint64_t lf = byte_mask(_mm256_cmpeq_epi8(here0, k.lf), _mm256_cmpeq_epi8(here1, k.lf));
        const uint64_t nul = byte_mask(_mm256_cmpeq_epi8(here0, k.zero), _mm256_cmpeq_epi8(here1, k.zero));
        const uint64_t pairs = pair_starts(lf, nul, text_bytes[p[block_size]], carry);
        long_line = (lf | nul) == 0;
        out = pack32(pair_values(here0, next0, k), pairs, out);
        out = pack32(pair_values(here1, next1, k), pairs >> 32, out);
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
