// The SSSE3 kernel, for every x86-64 CPU from x86-64-v2 up: a block as four 16-byte vectors, their
// digit values found as its pairs are stored, from memory, and the pairs packed 16 bytes at a time
// with a byte shuffle from the packing table (x86_pack.hpp). It asks for nothing past SSSE3
// and POPCNT, not even BMI1, so the block bit logic here is built without it too. SSE4.1's blend
// would find the digits in no fewer instructions here (its legacy form takes its mask in xmm0),
// so the kernel does not ask for it.
#include "kernel.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_pack.hpp"
#include "x86_target.hpp"

namespace ssse3 {

DEHEX_X86_KERNEL_BEGIN("ssse3,popcnt")
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

// digit_value of each byte, modulo 256: the byte less '0', or less 'a' - 10 for 'a' to 'z'.
// Adding 0x7F - 'z' moves 'a' to 'z' to the 26 highest signed bytes, and only them, so that the
// compare needs no copy of a constant.
__m128i digit_values(__m128i c)
{
    const __m128i moved = _mm_add_epi8(c, _mm_set1_epi8(0x7F - 'z'));
    const __m128i lower = _mm_cmpgt_epi8(moved, _mm_set1_epi8(0x7F - 26));
    return _mm_sub_epi8(_mm_sub_epi8(c, _mm_set1_epi8('0')), _mm_and_si128(lower, _mm_set1_epi8('a' - 10 - '0')));
}

// Byte i is the pair that begins at byte i, from the digits there and one byte on.
__m128i pair_values(__m128i digits, __m128i next_digits)
{
    const __m128i high = _mm_and_si128(_mm_slli_epi16(digits, 4), _mm_set1_epi8(static_cast<char>(0xF0)));
    return _mm_add_epi8(high, next_digits);
}

// The pairs of 32 bytes of text that stand at their even offsets, as 16 bytes. Each 16-bit lane
// adds 16 times its first digit to its second (no digit value reaches the 16-bit limit), and
// its low byte is the pair.
__m128i even_pairs(__m128i first, __m128i second)
{
    const __m128i weights = _mm_set1_epi16(0x0110);
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i a = _mm_and_si128(_mm_maddubs_epi16(first, weights), low_bytes);
    const __m128i b = _mm_and_si128(_mm_maddubs_epi16(second, weights), low_bytes);
    return _mm_packus_epi16(a, b);
}

uint64_t bits(__m128i v0, __m128i v1, __m128i v2, __m128i v3)
{
    const auto two = [](__m128i a, __m128i b) {
        return static_cast<uint32_t>(_mm_movemask_epi8(a)) | static_cast<uint32_t>(_mm_movemask_epi8(b)) << 16;
    };
    return uint64_t{two(v0, v1)} | uint64_t{two(v2, v3)} << 32;
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    // Where the block is, and its bytes for its marks: the loop hands a block on to the next step
    // with no vector that the step would have to carry (eight of them left too few registers).
    struct block {
        const uint8_t* at;
        __m128i v0, v1, v2, v3;
    };

    static block load(const uint8_t* p)
    {
        return {p, load16(p), load16(p + 16), load16(p + 32), load16(p + 48)};
    }

    // NULs are rare: the least byte of the block tells whether it holds one, and their mask is
    // made only then.
    static line_marks marks(const block& b)
    {
        const auto equal = [&b](__m128i c) {
            return bits(_mm_cmpeq_epi8(b.v0, c), _mm_cmpeq_epi8(b.v1, c), _mm_cmpeq_epi8(b.v2, c),
                        _mm_cmpeq_epi8(b.v3, c));
        };
        const __m128i zero = _mm_setzero_si128();
        const __m128i least = _mm_min_epu8(_mm_min_epu8(_mm_min_epu8(b.v0, b.v1), b.v2), b.v3);
        const uint64_t lfs = equal(_mm_set1_epi8('\n'));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) == 0) [[likely]]
            return {lfs, 0};
        return {lfs, equal(zero)};
    }

    // No byte below 11, so no line feed and no NUL.
    static bool plain(const block& b)
    {
        const __m128i least = _mm_min_epu8(_mm_min_epu8(_mm_min_epu8(b.v0, b.v1), b.v2), b.v3);
        return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(least, _mm_set1_epi8(11)), least)) == 0xFFFF;
    }

    static void store_text(const block& b, uint8_t* out)
    {
        const uint8_t* const at = b.at;
        store16(out, even_pairs(digit_values(load16(at)), digit_values(load16(at + 16))));
        store16(out + 16, even_pairs(digit_values(load16(at + 32)), digit_values(load16(at + 48))));
    }

    // Each 16 bytes' pairs are packed to the front of them and stored where the pairs before them
    // end.
    static uint8_t* store_pairs(const block& b, const block&, uint64_t pairs, uint8_t* out)
    {
        const uint8_t* const at = b.at;
        const __m128i d0 = digit_values(load16(at));
        const __m128i d1 = digit_values(load16(at + 16));
        const __m128i d2 = digit_values(load16(at + 32));
        const __m128i d3 = digit_values(load16(at + 48));
        const __m128i p0 = pair_values(d0, _mm_alignr_epi8(d1, d0, 1));
        const __m128i p1 = pair_values(d1, _mm_alignr_epi8(d2, d1, 1));
        const __m128i p2 = pair_values(d2, _mm_alignr_epi8(d3, d2, 1));
        // The last pair's low digit is byte 0 of the block after in memory.
        const __m128i p3 = pair_values(d3, digit_values(load16(at + 49)));
        // Without BMI, a word of the pair starts comes out of a vector in one instruction.
        const __m128i words = _mm_cvtsi64_si128(static_cast<long long>(pairs));
        const uint64_t lane0 = pairs & 0xFFFF;
        const uint64_t lane1 = static_cast<uint16_t>(_mm_extract_epi16(words, 1));
        const uint64_t lane2 = static_cast<uint16_t>(_mm_extract_epi16(words, 2));
        const uint64_t lane3 = static_cast<uint16_t>(_mm_extract_epi16(words, 3));
        uint8_t* const out1 = out + std::popcount(lane0);
        uint8_t* const out2 = out1 + std::popcount(lane1);
        store16(out, _mm_shuffle_epi8(p0, pack_shuffle(lane0)));
        store16(out1, _mm_shuffle_epi8(p1, pack_shuffle(lane1)));
        store16(out2, _mm_shuffle_epi8(p2, pack_shuffle(lane2)));
        store16(out2 + std::popcount(lane2), _mm_shuffle_epi8(p3, pack_shuffle(lane3)));
        return out + std::popcount(pairs);
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    fill_pack_lists();
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace ssse3

DEHEX_KERNEL(ssse3);
#else
DEHEX_NO_KERNEL(ssse3);
#endif
