// The portable kernel's primitives: pairs decoded by loops of fixed length over bytes, which
// compilers vectorize for whatever the target region allows; a block of a few lines copies its
// pairs run by run, a block of many short lines picks them eight bytes at a time. `masks` finds
// the line feeds and NULs (swar_masks, or a kernel's own). Included inside a kernel's namespace
// and target region, after block_loop.hpp, so that it is compiled for that kernel alone. It calls
// builtins, not library functions (memcpy, std::countr_zero): those are compiled outside the
// region, and GCC for s390x inlines nothing across a change of target.
#pragma once

static_assert(!std::is_same_v<kernel_scope, ::kernel_scope>, "include portable.hpp inside a kernel's namespace");

namespace {

// digit_value modulo 256 in byte arithmetic alone, which compilers vectorize well.
constexpr uint8_t digit_byte(uint8_t c)
{
    const bool lower = static_cast<uint8_t>(c - 'a') < 26;
    return static_cast<uint8_t>(c - (lower ? 'a' - 10 : '0'));
}

constexpr bool digit_byte_is_digit_value()
{
    for (unsigned c = 0; c < 256; ++c)
        if (digit_byte(static_cast<uint8_t>(c)) != static_cast<uint8_t>(digit_value(static_cast<uint8_t>(c))))
            return false;
    return true;
}
static_assert(digit_byte_is_digit_value());

constexpr uint8_t pair_byte(uint8_t high, uint8_t low)
{
    return static_cast<uint8_t>((digit_byte(high) << 4) + digit_byte(low));
}

// Decodes the 32 pairs that begin at p[0], p[2], ..., p[62].
void decode_straight(const uint8_t* p, uint8_t* out)
{
    for (unsigned j = 0; j < block_size / 2; ++j)
        out[j] = pair_byte(p[2 * j], p[2 * j + 1]);
}

// Decodes the pairs that start at the bits of `pairs` run by run (a run is a line's pairs: bits
// at every second place), each copied whole from the pairs at all even or all odd places, into
// the room past the output.
uint8_t* decode_runs(const uint8_t* p, uint64_t pairs, uint8_t* out)
{
    constexpr uint64_t even = 0x5555555555555555;
    // The pairs at even places, then at odd places, then room for a copy to run over.
    uint8_t decoded[3 * block_size / 2];
    decode_straight(p, decoded);
    decode_straight(p + 1, decoded + block_size / 2);
    __builtin_memset(decoded + block_size, 0, block_size / 2);
    while (pairs != 0) {
        const unsigned first = static_cast<unsigned>(__builtin_ctzll(pairs));
        const uint64_t gaps = ~(pairs >> first) & even;
        const unsigned span = gaps != 0 ? static_cast<unsigned>(__builtin_ctzll(gaps)) : 64;
        __builtin_memcpy(out, decoded + (first & 1) * block_size / 2 + first / 2, block_size / 2);
        out += span / 2;
        const unsigned done = first + span;
        pairs = done < 64 ? pairs & (~uint64_t{0} << done) : 0;
    }
    return out;
}

// Byte k counts the bits of `bits` up to bit 8k + 7: where the pairs of each 8 bytes end, found
// at once, so that no 8 wait on the count of those before.
constexpr uint64_t running_counts(uint64_t bits)
{
    uint64_t c = bits - ((bits >> 1) & 0x5555555555555555);
    c = (c & 0x3333333333333333) + ((c >> 2) & 0x3333333333333333);
    c = (c + (c >> 4)) & 0x0f0f0f0f0f0f0f0f;
    return c * 0x0101010101010101;
}

// Decodes the pairs that start at the bits of `pairs`: every byte's pair first, in a loop of
// fixed length, then four picked from each 8 bytes through the packing table, whether there are
// that many or not (pairs are never next to each other); the spare ones are written over by the
// next 8 or fall into the room past the output.
uint8_t* decode_picked(const uint8_t* p, uint64_t pairs, uint8_t* out)
{
    uint8_t values[block_size];
    for (unsigned i = 0; i < block_size; ++i)
        values[i] = pair_byte(p[i], p[i + 1]);
    const uint64_t ends = running_counts(pairs);
    const uint64_t starts = ends << 8;
    for (unsigned k = 0; k < 8; ++k) {
        const uint8_t* at = pack_order.rows[(pairs >> (8 * k)) & 0xff].places;
        uint8_t* o = out + ((starts >> (8 * k)) & 0xff);
        for (unsigned j = 0; j < 4; ++j)
            o[j] = values[8 * k + at[j]];
    }
    return out + (ends >> 56);
}

constexpr bool fewer_than_four(uint64_t bits)
{
    bits &= bits - 1;
    bits &= bits - 1;
    return (bits & (bits - 1)) == 0;
}

// `masks` has static inline byte_mask(block, c), bit i for byte i of the block, has_zero(block),
// and has_less_than(block, n), whether any byte of the block is below n.
template <class masks>
struct primitives {
    using block = const uint8_t*;
    // Its line way costs twice its text way, more than a mispredicted branch.
    static constexpr bool text_at_every_block = true;

    static block load(const uint8_t* p) { return p; }

    static line_marks marks(block p)
    {
        return {masks::byte_mask(p, '\n'), masks::has_zero(p) ? masks::byte_mask(p, '\0') : 0};
    }

    static bool plain(block p) { return !masks::has_less_than(p, 11); }

    static void store_text(block p, uint8_t* out) { decode_straight(p, out); }

    // Copying runs costs a search per line; past a few lines, picking costs less.
    static uint8_t* store_pairs(block p, block, uint64_t pairs, uint8_t* out)
    {
        return fewer_than_four(pairs & ~(pairs << 2)) ? decode_runs(p, pairs, out) : decode_picked(p, pairs, out);
    }
};

}  // namespace
