// The SSSE3 kernel, for every x86-64 CPU from x86-64-v2 up: 64 bytes a step as four 16-byte
// vectors, the pair bytes packed with a byte shuffle from a table. It asks for nothing past
// SSSE3 and POPCNT, not even BMI1, so the block bit logic here is built without it too.
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_pack.hpp"

#define DEHEX_TARGET __attribute__((target("ssse3,popcnt")))

namespace {

DEHEX_TARGET __m128i digit_values(__m128i c)
{
    // Adding 0x80 - 'a' moves 'a' to 'z' to the 26 lowest signed bytes, and only them.
    const __m128i moved = _mm_add_epi8(c, _mm_set1_epi8(static_cast<char>(0x80 - 'a')));
    const __m128i lower = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(0x80 + 26)), moved);
    const __m128i from_zero = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    return _mm_sub_epi8(from_zero, _mm_and_si128(lower, _mm_set1_epi8('a' - 10 - '0')));
}

// 16 times each digit value, modulo 256.
DEHEX_TARGET __m128i times16(__m128i digits)
{
    return _mm_and_si128(_mm_slli_epi16(digits, 4), _mm_set1_epi8(static_cast<char>(0xF0)));
}

// The pairs of 32 bytes of one line that stand at their even offsets, as 16 bytes. Each 16-bit
// lane multiplies and adds its high and low digit at once: 16 * high + low is at most 4335, so
// nothing saturates, and the low byte of the lane is the pair.
DEHEX_TARGET __m128i even_pairs(__m128i first, __m128i second)
{
    const __m128i weights = _mm_set1_epi16(0x0110);  // 16 for the even byte, 1 for the odd one
    const __m128i low_bytes = _mm_set1_epi16(0x00FF);
    const __m128i a = _mm_and_si128(_mm_maddubs_epi16(digit_values(first), weights), low_bytes);
    const __m128i b = _mm_and_si128(_mm_maddubs_epi16(digit_values(second), weights), low_bytes);
    return _mm_packus_epi16(a, b);
}

DEHEX_TARGET uint64_t byte_mask(__m128i v0, __m128i v1, __m128i v2, __m128i v3)
{
    return uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v0))} |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v1))} << 16 |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v2))} << 32 |
           uint64_t{static_cast<unsigned>(_mm_movemask_epi8(v3))} << 48;
}

DEHEX_TARGET __m128i load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

DEHEX_TARGET void store(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Byte i of the result is the pair that begins at byte i of `digits`, whose byte after the last
// is the first of `next`: 16 * digit[i] + digit[i + 1], modulo 256.
DEHEX_TARGET __m128i pair_values(__m128i digits, __m128i next)
{
    return _mm_add_epi8(times16(digits), _mm_alignr_epi8(next, digits, 1));
}

// Stores the pairs of the block at `p` (bytes c0 to c3) that begin at the bits of `pairs`: byte i
// of the pair vectors is the pair that begins at byte i, and the table packs those chosen.
__attribute__((always_inline)) inline DEHEX_TARGET uint8_t* pack_pairs(const uint8_t* p, __m128i c0, __m128i c1,
                                                                       __m128i c2, __m128i c3, uint64_t pairs,
                                                                       uint8_t* out)
{
    const __m128i d0 = digit_values(c0);
    const __m128i d1 = digit_values(c1);
    const __m128i d2 = digit_values(c2);
    const __m128i d3 = digit_values(c3);
    const __m128i d4 = digit_values(load(p + 49));
    out = pack16(pair_values(d0, d1), pairs, out);
    out = pack16(pair_values(d1, d2), pairs >> 16, out);
    out = pack16(pair_values(d2, d3), pairs >> 32, out);
    return pack16(_mm_add_epi8(times16(d3), d4), pairs >> 48, out);
}

// Decodes whole blocks from `text` on, up to the first that holds a NUL or no line feed, or that
// leaves no byte after it in `size`: text cut into lines, the xxd -p shape. No line here is
// skipped, so the bit logic drops its NUL terms; and the loop, kept to itself, keeps its
// constants in registers. Returns the bytes consumed; moves `out` past the bytes written.
__attribute__((noinline)) DEHEX_TARGET size_t decode_line_blocks(const uint8_t* text, size_t size, uint8_t*& out,
                                                                 bool& low_next)
{
    const __m128i lf_bytes = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    block_carry carry{false, low_next};
    uint8_t* o = out;
    size_t i = 0;
    for (; size - i > block_size; i += block_size) {
        const uint8_t* p = text + i;
        const __m128i c0 = load(p);
        const __m128i c1 = load(p + 16);
        const __m128i c2 = load(p + 32);
        const __m128i c3 = load(p + 48);
        const __m128i least = _mm_min_epu8(_mm_min_epu8(c0, c1), _mm_min_epu8(c2, c3));
        const uint64_t lf = byte_mask(_mm_cmpeq_epi8(c0, lf_bytes), _mm_cmpeq_epi8(c1, lf_bytes),
                                      _mm_cmpeq_epi8(c2, lf_bytes), _mm_cmpeq_epi8(c3, lf_bytes));
        if (lf == 0 || _mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0)
            break;
        const uint64_t pairs = pair_starts(lf, 0, text_bytes[p[block_size]], carry);
        o = pack_pairs(p, c0, c1, c2, c3, pairs, o);
    }
    low_next = carry.low_next;
    out = o;
    return i;
}

}  // namespace

DEHEX_TARGET block_progress decode_blocks_ssse3(std::span<const uint8_t> in, uint8_t* out,
                                                bool& skipping)
{
    const __m128i lf_bytes = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        const __m128i c0 = load(p);
        const __m128i c1 = load(p + 16);
        const __m128i c2 = load(p + 32);
        const __m128i c3 = load(p + 48);
        const uint64_t lf = byte_mask(_mm_cmpeq_epi8(c0, lf_bytes), _mm_cmpeq_epi8(c1, lf_bytes),
                                      _mm_cmpeq_epi8(c2, lf_bytes), _mm_cmpeq_epi8(c3, lf_bytes));
        // NULs are rare: the least byte of the block tells whether it holds one, and their mask
        // is made only then.
        const __m128i least = _mm_min_epu8(_mm_min_epu8(c0, c1), _mm_min_epu8(c2, c3));
        const bool any_nul = _mm_movemask_epi8(_mm_cmpeq_epi8(least, zero)) != 0;
        const uint64_t nul = any_nul ? byte_mask(_mm_cmpeq_epi8(c0, zero), _mm_cmpeq_epi8(c1, zero),
                                                 _mm_cmpeq_epi8(c2, zero), _mm_cmpeq_epi8(c3, zero))
                                     : 0;

        // All the block is text of one line: its pairs stand at every even byte, or, where the
        // first byte ends a pair of the block before, at every odd byte, the last of them
        // whole only if the next block begins with text.
        if (lf == 0 && !any_nul && !carry.skipping) {
            if (!carry.low_next) {
                store(out, even_pairs(c0, c1));
                store(out + 16, even_pairs(c2, c3));
                out += 32;
            } else {
                store(out, even_pairs(load(p + 1), load(p + 17)));
                store(out + 16, even_pairs(load(p + 33), load(p + 49)));
                carry.low_next = is_text(p[block_size]);
                out += 31 + carry.low_next;
            }
            continue;
        }

        // Lines with no NUL go to a loop of their own, from this block on while the blocks keep
        // that shape; it takes this block at least.
        if (lf != 0 && !any_nul && !carry.skipping) {
            i += decode_line_blocks(p, in.size() - i, out, carry.low_next) - block_size;
            continue;
        }

        // Otherwise, with a NUL or a skipped line, the bit logic in full.
        const uint64_t pairs = pair_starts(lf, nul, text_bytes[p[block_size]], carry);
        out = pack_pairs(p, c0, c1, c2, c3, pairs, out);
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
