// The portable kernel, for every CPU: 64 bytes a step, with the line feed and NUL masks found a
// word at a time (swar.hpp), so that the lines of a block cost no call or branch each. The bytes
// of a block that is all one line go through a straight loop; the others are picked by their bits.
#include <array>
#include <bit>

#include "blocks.hpp"
#include "decode.hpp"
#include "swar.hpp"

namespace {

// A pair's byte as the sum of two table entries, modulo 256: the high digit's value times 16,
// and the low digit's value.
struct digit_tables {
    std::array<uint8_t, 256> high;
    std::array<uint8_t, 256> low;
};

constexpr digit_tables make_digit_tables()
{
    digit_tables t{};
    for (unsigned c = 0; c < 256; ++c) {
        t.high[c] = static_cast<uint8_t>(16 * digit_value(static_cast<uint8_t>(c)));
        t.low[c] = static_cast<uint8_t>(digit_value(static_cast<uint8_t>(c)));
    }
    return t;
}

constexpr digit_tables digits = make_digit_tables();

inline uint8_t pair_value(const uint8_t* p)
{
    return static_cast<uint8_t>(digits.high[p[0]] + digits.low[p[1]]);
}

constexpr uint64_t even = 0x5555555555555555;
constexpr uint64_t odd = ~even;

// Decodes the 32 pairs from `p` on; the block is one run of text.
void decode_straight(const uint8_t* p, uint8_t* out)
{
    for (unsigned j = 0; j < block_size / 2; ++j)
        out[j] = pair_value(p + 2 * j);
}

// Decodes the pairs that start at the bits of `pairs`. Four at a time, so that the loop runs
// the same number of times for most blocks of one kind of text; the spare steps decode byte 0
// into the room past the output that the kernels may use.
uint8_t* decode_picked(const uint8_t* p, uint64_t pairs, uint8_t* out)
{
    uint8_t* const end = out + std::popcount(pairs);
    for (; out < end; out += 4) {
        for (unsigned j = 0; j < 4; ++j) {
            out[j] = pair_value(p + (std::countr_zero(pairs) & 63));
            pairs &= pairs - 1;
        }
    }
    return end;
}

}  // namespace

block_progress decode_blocks_scalar(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        const uint64_t lf = swar::byte_mask(p, '\n');
        const uint64_t nul = swar::has_zero(p) ? swar::byte_mask(p, '\0') : 0;
        const uint64_t pairs = pair_starts(lf, nul, is_text(p[block_size]), carry);
        if (pairs == even || (pairs | uint64_t{1} << 63) == odd) {
            // Byte 64 may be read, and the 32nd pair written past the output, when the last
            // high digit has no low digit in this chunk.
            decode_straight(p + (pairs & 1 ? 0 : 1), out);
            out += std::popcount(pairs);
        } else {
            out = decode_picked(p, pairs, out);
        }
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
