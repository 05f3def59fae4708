// What the kernels share: the bit logic that finds, from the line feeds and NULs of a 64-byte
// block, which of its bytes begin a pair, and the table that packs those pairs together. With one
// bit per byte the lines of a block are handled all at once, so short lines cost no branch each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr size_t block_size = 64;

// What a block hands to the next one.
struct block_carry {
    bool skipping;  // a NUL has ended the line that goes on into the next block
    bool low_next;  // the next block's first byte is the low digit of a pair decoded already
};

// The bits of `text` that begin a whole pair, where `text` marks the bytes of the block's lines
// that are decoded; `low_next` is carried in and out as in block_carry.
constexpr uint64_t text_pair_starts(uint64_t text, bool next_is_text, bool& low_next)
{
    constexpr uint64_t even = 0x5555555555555555;

    // Each run of text starts a line, or goes on with the line of the block before; its high
    // digits stand at its first byte and every second byte after it, or one later where the
    // first byte is the low digit of a pair begun in the previous block.
    // Adding each even run start to its run clears the run and leaves the others, so the sum
    // has a text byte clear where its run starts even and set where it starts odd; flipping the
    // even bits of that leaves set exactly the high digits.
    const uint64_t run_starts = text & ~(text << 1) & ~uint64_t{low_next};
    const uint64_t odd_runs = (run_starts & even) + text;
    const uint64_t highs = text & (odd_runs ^ even);
    const uint64_t pairs = highs & ((text >> 1) | (uint64_t{next_is_text} << 63));
    low_next = (pairs >> 63) != 0;
    return pairs;
}

// Bit i of `lf` and `nul` tells whether byte i of the block is a line feed or a NUL;
// `next_is_text` whether the byte after the block is neither. Returns the bits of the bytes that
// begin a whole pair, that is, a high digit whose low digit follows on the same line.
constexpr uint64_t pair_starts(uint64_t lf, uint64_t nul, bool next_is_text, block_carry& carry)
{
    // Most text holds no NUL: then no byte is skipped, and every byte but a line feed is text.
    if (nul == 0 && !carry.skipping)
        return text_pair_starts(~lf, next_is_text, carry.low_next);

    // From a NUL to the next line feed nothing is text. Adding a bit at the foot of a run of
    // ones clears the run, so the sum marks the runs of plain bytes that follow a NUL.
    const uint64_t plain = ~(lf | nul);
    const uint64_t after_nul = plain & ((nul << 1) | uint64_t{carry.skipping});
    const uint64_t skipped = nul | (plain & ~(after_nul + plain));
    carry.skipping = (skipped >> 63) != 0;
    return text_pair_starts(plain & ~skipped, next_is_text, carry.low_next);
}

constexpr bool is_text(uint8_t c)
{
    return c != '\n' && c != '\0';
}

// For each 8-bit mask, the places of its set bits, lowest first, in the low eight bytes, and the
// same places plus 8 in the high eight: the byte shuffle that packs together the chosen bytes of
// the low or of the high half of a 16-byte vector. Unused places are 0 (8 in the high half).
struct pack_entry {
    alignas(16) uint8_t low[8];
    uint8_t high[8];
};

inline constexpr auto pack_order = [] {
    std::array<pack_entry, 256> t{};
    for (unsigned mask = 0; mask < t.size(); ++mask) {
        unsigned n = 0;
        for (uint8_t bit = 0; bit < 8; ++bit)
            if ((mask >> bit) & 1)
                t[mask].low[n++] = bit;
        for (unsigned i = 0; i < 8; ++i)
            t[mask].high[i] = static_cast<uint8_t>(t[mask].low[i] + 8);
    }
    return t;
}();
