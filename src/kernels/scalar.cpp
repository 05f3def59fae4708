// The portable kernel, for every CPU: 64 bytes a step, with the line feed and NUL masks found a
// word at a time (swar.hpp), so that the lines of a block cost no call or branch each. The pairs
// of a block that is all one line go through a straight loop, those of a block with a few lines
// line by line, and those of a block of many short lines are picked eight bytes at a time.
// The loops over bytes are plain byte arithmetic of fixed length, which compilers vectorize.
#include <array>
#include <bit>
#include <cstring>

#include "blocks.hpp"
#include "decode.hpp"
#include "swar.hpp"

namespace {

// digit_value modulo 256 in byte arithmetic alone, which compilers vectorize well.
constexpr uint8_t digit_byte(uint8_t c)
{
    const bool lower = static_cast<uint8_t>(c - 'a') < 26;
    return static_cast<uint8_t>(c - (lower ? 'a' - 10 : '0'));
}

constexpr uint8_t pair_byte(uint8_t high, uint8_t low)
{
    return static_cast<uint8_t>((digit_byte(high) << 4) + digit_byte(low));
}

constexpr bool digit_byte_is_digit_value()
{
    for (unsigned c = 0; c < 256; ++c)
        if (digit_byte(static_cast<uint8_t>(c)) != static_cast<uint8_t>(digit_value(static_cast<uint8_t>(c))))
            return false;
    return true;
}
static_assert(digit_byte_is_digit_value());

constexpr uint64_t even = 0x5555555555555555;
constexpr uint64_t odd = ~even;

// Decodes the 32 pairs from `p` on; the block is one run of text.
void decode_straight(const uint8_t* p, uint8_t* out)
{
    for (unsigned j = 0; j < block_size / 2; ++j)
        out[j] = pair_byte(p[2 * j], p[2 * j + 1]);
}

// Decodes the pair that begins at each of the 64 bytes from `p` on, reading p[64] too, in a loop
// of fixed length that compilers turn into vector code.
void decode_every_byte(const uint8_t* p, uint8_t* values)
{
    for (unsigned i = 0; i < block_size; ++i)
        values[i] = pair_byte(p[i], p[i + 1]);
}

// For each 8 bits of a block's pair starts: where the pairs in those 8 bytes start, and how many
// there are. Pairs take two bytes each, so no two bits are next to each other, and 8 bytes hold
// at most 4.
struct group_picks {
    uint8_t at[4];
    uint8_t count;
    uint8_t unused[3];  // eight bytes an entry: found with a shift, not a multiply
};

inline constexpr auto picks = [] {
    std::array<group_picks, 256> t{};
    for (unsigned bits = 0; bits < t.size(); ++bits)
        for (unsigned i = 0; i < 8; ++i)
            if ((bits >> i & 1) != 0 && t[bits].count < 4)
                t[bits].at[t[bits].count++] = static_cast<uint8_t>(i);
    return t;
}();

// Decodes the pairs that start at the bits of `pairs`. Every byte's pair is decoded first; then
// each 8 bytes' pairs are picked through the table, four whether there are that many or not, the
// spare ones written over by the next 8 or past the output, into the room the kernels may use.
// Where each 8 go is an add of the table's counts, so no pick waits on a search for the bit
// before.
uint8_t* decode_picked(const uint8_t* p, uint64_t pairs, uint8_t* out)
{
    uint8_t values[block_size];
    decode_every_byte(p, values);
    for (unsigned k = 0; k < 8; ++k) {
        const group_picks& g = picks[(pairs >> (8 * k)) & 0xff];
        for (unsigned j = 0; j < 4; ++j)
            out[j] = values[8 * k + g.at[j]];
        out += g.count;
    }
    return out;
}

// The pair starts of a block of 2-character lines, every third byte from the first, second or
// third one on.
constexpr uint64_t thirds = 0x9249249249249249;

// Decodes the pairs at every third byte from `first` (0, 1 or 2) on: 22 of them from the first
// byte, 21 otherwise, when the 22nd is a spare written into the room past the output. The picks
// are at fixed places, so none waits on another.
uint8_t* decode_thirds(const uint8_t* p, unsigned first, uint8_t* out)
{
    uint8_t values[block_size];
    decode_every_byte(p, values);
    for (unsigned j = 0; j < 21; ++j)
        out[j] = values[first + 3 * j];
    out[21] = values[63];
    return out + 21 + (first == 0);
}

constexpr bool at_most_three(uint64_t bits)
{
    bits &= bits - 1;
    bits &= bits - 1;
    return (bits & (bits - 1)) == 0;
}

// Decodes the pairs that start at the bits of `pairs` run by run, where a run is a line's
// pairs: bits at every second place. For blocks with few lines in them: the pairs at all even
// and at all odd places are decoded first, in straight loops, and each run is then copied from
// them 32 bytes at a time, into the room past the output that the kernels may use.
uint8_t* decode_runs(const uint8_t* p, uint64_t pairs, uint8_t* out)
{
    // The pairs at even places, then at odd places, then room for a copy to run over.
    uint8_t decoded[3 * block_size / 2];
    decode_straight(p, decoded);
    decode_straight(p + 1, decoded + block_size / 2);
    std::memset(decoded + block_size, 0, block_size / 2);
    while (pairs != 0) {
        const unsigned first = static_cast<unsigned>(std::countr_zero(pairs));
        const uint64_t gaps = ~(pairs >> first) & even;
        const unsigned span = gaps != 0 ? static_cast<unsigned>(std::countr_zero(gaps)) : 64;
        std::memcpy(out, decoded + (first & 1) * block_size / 2 + first / 2, block_size / 2);
        out += span / 2;
        const unsigned done = first + span;
        pairs = done < 64 ? pairs & (~uint64_t{0} << done) : 0;
    }
    return out;
}

}  // namespace

block_progress decode_blocks_scalar(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    bool plain_before = true;
    for (; in.size() - i > block_size; i += block_size) {
        const uint8_t* p = in.data() + i;
        // A block of one line goes on from where the block before left its pairs, as
        // pair_starts would find. The cheap test for that is made only after a block of one
        // line: after one with line feeds it would only add to the cost of the masks.
        if (plain_before && !carry.skipping && !swar::may_have_lf_or_nul(p)) {
            const bool next_is_text = is_text(p[block_size]);
            decode_straight(p + carry.low_next, out);
            out += 32 - (carry.low_next && !next_is_text);
            carry.low_next = carry.low_next && next_is_text;
            continue;
        }
        const uint64_t lf = swar::byte_mask(p, '\n');
        const uint64_t nul = swar::has_zero(p) ? swar::byte_mask(p, '\0') : 0;
        plain_before = (lf | nul) == 0;
        const uint64_t pairs = pair_starts(lf, nul, text_bytes[p[block_size]], carry);
        if (pairs == even || (pairs | uint64_t{1} << 63) == odd) {
            // From an odd place, the 32nd pair is written past the output, and not counted,
            // when the last high digit has no low digit in this chunk.
            decode_straight(p + (pairs & 1 ? 0 : 1), out);
            out += 31 + ((pairs | pairs >> 63) & 1);
        } else if (at_most_three(lf | nul)) {
            out = decode_runs(p, pairs, out);
        } else if (pairs == thirds || pairs == thirds << 1 || pairs == thirds << 2) {
            out = decode_thirds(p, static_cast<unsigned>(std::countr_zero(pairs)), out);
        } else {
            out = decode_picked(p, pairs, out);
        }
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
