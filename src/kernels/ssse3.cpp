// The SSSE3 kernel, for every x86-64 CPU from x86-64-v2 up: a block as four 16-byte vectors, the
// pairs packed with a byte shuffle from the packing table. It asks for nothing past SSSE3 and
// POPCNT, not even BMI1, so the block bit logic here is built without it too.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "kernel.hpp"
#include "target.hpp"
#include "x86_pack.hpp"

namespace ssse3 {

bool supported()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
}

DEHEX_TARGET_BEGIN("ssse3,popcnt")
#include "block_loop.hpp"

namespace {

__m128i load16(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void store16(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// digit_value of each byte, modulo 256. Adding 0x80 - 'a' moves 'a' to 'z' to the 26 lowest
// signed bytes, and only them.
__m128i digit_values(__m128i c)
{
    const __m128i moved = _mm_add_epi8(c, _mm_set1_epi8(static_cast<char>(0x80 - 'a')));
    const __m128i lower = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(0x80 + 26)), moved);
    const __m128i from_zero = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    return _mm_sub_epi8(from_zero, _mm_and_si128(lower, _mm_set1_epi8('a' - 10 - '0')));
}

// 16 times each digit value, modulo 256.
__m128i times16(__m128i digits)
{
    return _mm_and_si128(_mm_slli_epi16(digits, 4), _mm_set1_epi8(static_cast<char>(0xF0)));
}

// The pairs of 32 bytes of text that stand at their even offsets, as 16 bytes. Each 16-bit lane
// multiplies and adds its high and low digit at once: 16 * high + low is at most 4335, so nothing
// saturates, and the low byte of the lane is the pair.
__m128i even_pairs(__m128i first, __m128i second)
{
    const __m128i weights = _mm_set1_epi16(0x0110);
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i a = _mm_and_si128(_mm_maddubs_epi16(digit_values(first), weights), low_bytes);
    const __m128i b = _mm_and_si128(_mm_maddubs_epi16(digit_values(second), weights), low_bytes);
    return _mm_packus_epi16(a, b);
}

uint64_t bits(__m128i v0, __m128i v1, __m128i v2, __m128i v3)
{
    return uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v0))} |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v1))} << 16 |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v2))} << 32 |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v3))} << 48;
}

struct primitives {
    struct block {
        const uint8_t* p;
        __m128i v0, v1, v2, v3;
    };

    static block load(const uint8_t* p) { return {p, load16(p), load16(p + 16), load16(p + 32), load16(p + 48)}; }

    // NULs are rare: the least byte of the block tells whether it holds one, and their mask is
    // made only then.
    static line_marks marks(const block& b)
    {
        const __m128i lf = _mm_set1_epi8('\n');
        const __m128i zero = _mm_setzero_si128();
        const __m128i least = _mm_min_epu8(_mm_min_epu8(b.v0, b.v1), _mm_min_epu8(b.v2, b.v3));
        const bool any_nul = _mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0;
        return {bits(_mm_cmpeq_epi8(b.v0, lf), _mm_cmpeq_epi8(b.v1, lf), _mm_cmpeq_epi8(b.v2, lf),
                     _mm_cmpeq_epi8(b.v3, lf)),
                any_nul ? bits(_mm_cmpeq_epi8(b.v0, zero), _mm_cmpeq_epi8(b.v1, zero),
                               _mm_cmpeq_epi8(b.v2, zero), _mm_cmpeq_epi8(b.v3, zero))
                        : 0};
    }

    static void store_text(const block& b, const block&, bool odd, uint8_t* out)
    {
        const uint8_t* p = b.p + odd;
        store16(out, even_pairs(load16(p), load16(p + 16)));
        store16(out + 16, even_pairs(load16(p + 32), load16(p + 48)));
    }

    // Byte i of each vector of values is the pair that begins at byte i: 16 * digit[i] +
    // digit[i + 1], the low digits the vector of digits one byte on.
    static uint8_t* store_pairs(const block& b, const block& next, uint64_t pairs, uint8_t* out)
    {
        const __m128i d0 = digit_values(b.v0);
        const __m128i d1 = digit_values(b.v1);
        const __m128i d2 = digit_values(b.v2);
        const __m128i d3 = digit_values(b.v3);
        const __m128i d4 = _mm_alignr_epi8(digit_values(next.v0), d3, 1);
        store16(out, _mm_shuffle_epi8(_mm_add_epi8(times16(d0), _mm_alignr_epi8(d1, d0, 1)), pack_shuffle(pairs)));
        store16(out + std::popcount(pairs & 0xFFFF), _mm_shuffle_epi8(_mm_add_epi8(times16(d1), _mm_alignr_epi8(d2, d1, 1)), pack_shuffle(pairs >> 16)));
        store16(out + std::popcount(pairs & 0xFFFFFFFF), _mm_shuffle_epi8(_mm_add_epi8(times16(d2), _mm_alignr_epi8(d3, d2, 1)), pack_shuffle(pairs >> 32)));
        store16(out + std::popcount(pairs << 16), _mm_shuffle_epi8(_mm_add_epi8(times16(d3), d4), pack_shuffle(pairs >> 48)));
        return out + std::popcount(pairs);
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace ssse3
