// What the vector kernels share: their interface, and the bit logic that finds, from the line
// feeds and NULs of a 64-byte block, which of its bytes begin a pair. With one bit per byte the
// lines of a block are handled all at once, so short lines cost no branch or call each.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "kernel.hpp"

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

// is_text as a table: two loads in place of the compares and flag juggling, in the bit logic that
// bounds the speed of blocks with line feeds.
inline constexpr auto text_bytes = [] {
    std::array<bool, 256> t{};
    for (unsigned c = 0; c < t.size(); ++c)
        t[c] = is_text(static_cast<uint8_t>(c));
    return t;
}();

// How far a kernel went: input bytes consumed, output bytes produced.
struct block_progress {
    size_t consumed;
    size_t produced;
};

// Decode the whole blocks at the start of `in`, reading one byte past each. They start where no
// high digit is pending and leave none pending; `skipping` carries a NUL-ended line in and out.
// They may write kernel_overrun bytes past what they produce.
block_progress decode_blocks(kernel k, std::span<const uint8_t> in, uint8_t* out, bool& skipping);

// The kernels behind it, one per instruction set, each built only for its architecture.
block_progress decode_blocks_scalar(std::span<const uint8_t> in, uint8_t* out, bool& skipping);
block_progress decode_blocks_ssse3(std::span<const uint8_t> in, uint8_t* out, bool& skipping);
block_progress decode_blocks_avx2(std::span<const uint8_t> in, uint8_t* out, bool& skipping);
block_progress decode_blocks_avx512(std::span<const uint8_t> in, uint8_t* out, bool& skipping);
block_progress decode_blocks_neon(std::span<const uint8_t> in, uint8_t* out, bool& skipping);
