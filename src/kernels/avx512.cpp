// The AVX-512 kernel: 64 bytes a step, masks straight from byte compares, and the pair bytes
// packed together with VBMI2's byte compress. Runs of 128 bytes with no line feed or NUL, the
// bulk of long lines, take a shorter way: their pairs stand at every second byte, so they need
// no bit logic and no compress. Blocks cut into lines with no NUL, the shape of xxd -p, go
// through a loop of their own whose bit logic has no NUL terms.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"

#define DEHEX_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi2,popcnt,bmi,bmi2")))

namespace {

// The byte constants of the loop of whole blocks, made once and hidden from the optimizer: left
// to itself, it builds them anew in every step once the loop holds the shorter way too.
struct block_constants {
    __m512i lf, a, letters, zero_digit, letter_gap, high_nibble;
};

DEHEX_TARGET __m512i opaque(__m512i v)
{
    __asm__("" : "+v"(v));
    return v;
}

DEHEX_TARGET block_constants make_block_constants()
{
    return {opaque(_mm512_set1_epi8('\n')), opaque(_mm512_set1_epi8('a')), opaque(_mm512_set1_epi8(26)),
            opaque(_mm512_set1_epi8('0')), opaque(_mm512_set1_epi8('a' - 10 - '0')),
            opaque(_mm512_set1_epi8(static_cast<char>(0xF0)))};
}

DEHEX_TARGET __m512i digit_values(__m512i c, const block_constants& k)
{
    const __mmask64 lower = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(c, k.a), k.letters);
    const __m512i from_zero = _mm512_sub_epi8(c, k.zero_digit);
    return _mm512_mask_sub_epi8(from_zero, lower, from_zero, k.letter_gap);
}

// Byte i of the result is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
DEHEX_TARGET __m512i pair_values(__m512i high, __m512i low, const block_constants& k)
{
    const __m512i shifted = _mm512_slli_epi16(digit_values(high, k), 4);
    return _mm512_add_epi8(_mm512_and_si512(shifted, k.high_nibble), digit_values(low, k));
}

// The 64 pairs of 128 bytes of text that begin with a high digit. Each 16-bit lane adds 16 times
// its first digit to its second (no digit value reaches the 16-bit limit), and its low byte is
// the pair's; the low bytes are gathered in each 128-bit lane, then the lanes in order.
DEHEX_TARGET __m512i even_pairs(__m512i first, __m512i second, const block_constants& k)
{
    const __m512i weights = _mm512_set1_epi16(0x0110);
    const __m512i low_bytes = _mm512_set4_epi32(-1, -1, 0x0E0C0A08, 0x06040200);
    const __m512i a = _mm512_shuffle_epi8(_mm512_maddubs_epi16(digit_values(first, k), weights), low_bytes);
    const __m512i b = _mm512_shuffle_epi8(_mm512_maddubs_epi16(digit_values(second, k), weights), low_bytes);
    return _mm512_permutex2var_epi64(a, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), b);
}

// Whether none of the bytes is a line feed or NUL. Bytes up to 10 all count as either, so that
// one compare of the bytewise minimum answers for both vectors.
DEHEX_TARGET bool all_text(__m512i a, __m512i b)
{
    return _mm512_cmple_epu8_mask(_mm512_min_epu8(a, b), _mm512_set1_epi8('\n')) == 0;
}

// Decodes text from `text` on, 128 bytes a step, up to the first step that holds a line feed or
// NUL or that leaves no byte after it in the `size` bytes from `text - offset` on, offset 0 or 1.
// Returns the bytes consumed; writes half as many. Kept apart from the loop of whole blocks,
// whose vector constants the compiler would otherwise build anew in every step.
__attribute__((noinline)) DEHEX_TARGET size_t decode_text_run(const uint8_t* text, size_t size, uint8_t* out)
{
    const block_constants k = make_block_constants();
    size_t i = 0;
    for (; size - i > 2 * block_size; i += 2 * block_size) {
        const __m512i first = _mm512_loadu_si512(text + i);
        const __m512i second = _mm512_loadu_si512(text + i + block_size);
        if (!all_text(first, second))
            break;
        _mm512_storeu_si512(out + i / 2, even_pairs(first, second, k));
    }
    return i;
}

// Decodes whole blocks from `text` on, up to the first that holds a NUL or no line feed, or that
// leaves no byte after it in `size`: text cut into lines, the xxd -p shape. No line here is
// skipped, so the bit logic drops its NUL terms; and the loop, kept to itself, keeps its
// constants in registers. Returns the bytes consumed; adds the bytes written to `produced`.
__attribute__((noinline)) DEHEX_TARGET size_t decode_line_blocks(const uint8_t* text, size_t size, uint8_t* out,
                                                                 size_t& produced, bool& low_next)
{
    const block_constants k = make_block_constants();
    block_carry carry{false, low_next};
    size_t i = 0;
    size_t n = produced;
    for (; size - i > block_size; i += block_size) {
        const uint8_t* p = text + i;
        const __m512i here = _mm512_loadu_si512(p);
        const uint64_t lf = _mm512_cmpeq_epi8_mask(here, k.lf);
        const uint64_t nul = _mm512_testn_epi8_mask(here, here);
        if (nul != 0 || lf == 0)
            break;
        const uint64_t pairs = pair_starts(lf, 0, text_bytes[p[block_size]], carry);
        const __m512i next = _mm512_loadu_si512(p + 1);
        _mm512_storeu_si512(out + n, _mm512_maskz_compress_epi8(pairs, pair_values(here, next, k)));
        n += static_cast<size_t>(std::popcount(pairs));
    }
    low_next = carry.low_next;
    produced = n;
    return i;
}

}  // namespace

DEHEX_TARGET block_progress decode_blocks_avx512(std::span<const uint8_t> in, uint8_t* out,
                                                 bool& skipping)
{
    const block_constants k = make_block_constants();
    block_carry carry{skipping, false};
    size_t i = 0;
    size_t produced = 0;
    bool long_line = true;  // the last block held no line feed or NUL: try the shorter way
    while (in.size() - i > block_size) {
        if (long_line && !carry.skipping) {
            // Where the pair begun in the block before ends at byte 0, the pairs begin at byte 1.
            const size_t run = decode_text_run(in.data() + i + carry.low_next, in.size() - i, out + produced);
            i += run;
            produced += run / 2;
            if (in.size() - i <= block_size)
                break;
        }
        if (!carry.skipping) {
            i += decode_line_blocks(in.data() + i, in.size() - i, out, produced, carry.low_next);
            if (in.size() - i <= block_size)
                break;
        }
        const uint8_t* p = in.data() + i;
        const __m512i here = _mm512_loadu_si512(p);
        const __m512i next = _mm512_loadu_si512(p + 1);
        const uint64_t lf = _mm512_cmpeq_epi8_mask(here, k.lf);
        const uint64_t nul = _mm512_testn_epi8_mask(here, here);
        const uint64_t pairs = pair_starts(lf, nul, text_bytes[p[block_size]], carry);
        long_line = (lf | nul) == 0;
        _mm512_storeu_si512(out + produced, _mm512_maskz_compress_epi8(pairs, pair_values(here, next, k)));
        produced += static_cast<size_t>(std::popcount(pairs));
        i += block_size;
    }
    skipping = carry.skipping;
    return {i + carry.low_next, produced};
}
