// What the kernels share: the bit logic that finds, from the line feeds and NULs of a 64-byte
// block, which of its bytes begin a pair, and the table that packs those pairs together. With one
// bit per byte the lines of a block are handled all at once, so short lines cost no branch each.
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

inline constexpr size_t block_size = 64;

// What a block hands to the next one about the line that goes on into it: kept as whole words, so
// that the loop holds them in registers and adds them in with no conversion.
struct block_carry {
    uint64_t skipping;    // 1 where a NUL has ended the line's text, else 0
    uint64_t text;        // the block's text bytes, one bit each: its top bit the line going on
    uint64_t next_high;   // 1 where the line goes on with a high digit at byte 0 of the next block
};

// Whether a pair's high digit waits at the last byte of the block for its low digit, the first
// byte of the next.
constexpr bool low_digit_pending(const block_carry& carry)
{
    return (carry.text >> 63) != 0 && carry.next_high == 0;
}

// Bit i of `lf` and `nul` tells whether byte i of the block is a line feed or a NUL; bit 0 of
// `next_marks` whether the byte after the block is either (its other bits do not count). Returns
// the bits of the bytes that begin a whole pair, that is, a high digit whose low digit follows on
// the same line.
constexpr uint64_t pair_starts(uint64_t lf, uint64_t nul, uint64_t next_marks, block_carry& carry)
{
    constexpr uint64_t even = 0x5555555555555555;

    // Most text holds no NUL: then no byte is skipped, and every byte but a line feed is text.
    // From a NUL to the next line feed nothing is text. Adding a bit at the foot of a run of
    // ones clears the run, so the sum marks the runs of plain bytes that follow a NUL.
    uint64_t text = ~lf;
    if ((nul | carry.skipping) != 0) {
        const uint64_t plain = ~(lf | nul);
        const uint64_t after_nul = plain & ((nul << 1) | carry.skipping);
        const uint64_t skipped = nul | (plain & ~(after_nul + plain));
        carry.skipping = skipped >> 63;
        text = plain & ~skipped;
    }

    // Each run of text is a line's, and its high digits stand at its first byte and every second
    // byte after. Adding each even run start to its run clears the run and leaves the others, so
    // the sum has a text byte clear where its run starts even and set where it starts odd;
    // flipping the even bits of that leaves set exactly the high digits. The sum runs on from
    // block to block as one long addition: a run that goes on into the next block carries into
    // it exactly when it started even. So the blocks wait on each other for one carry alone. A
    // carry comes in only with a run going on, which has no start at bit 0: the carry stands
    // there as its start.
    const uint64_t starts = (text & ~((text << 1) | (carry.text >> 63)) & even) | carry.next_high;
    uint64_t sum = 0;
    carry.next_high = __builtin_add_overflow(starts, text, &sum);
    carry.text = text;
    return text & (sum ^ even) & ((text >> 1) | (~next_marks << 63));
}

constexpr bool is_text(uint8_t c)
{
    return c != '\n' && c != '\0';
}

struct line_marks {
    uint64_t lf;
    uint64_t nul;  // may be 0 for a block that holds no NUL, without looking further
};

// What a kernel supplies to the block loop (block_loop.hpp), as static members of one struct.
template <class isa>
concept block_primitives = requires(const uint8_t* p, const typename isa::block& b, uint64_t pairs, uint8_t* out) {
    // The 64 bytes at p, and whatever the kernel finds in them once (their digit values, say).
    { isa::load(p) } -> std::same_as<typename isa::block>;
    // The block's line feeds and NULs, one bit per byte.
    { isa::marks(b) } -> std::same_as<line_marks>;
    // Whether the block is text alone. True only where it holds no line feed and no NUL, a test
    // that may be made cheaper by saying false of a block with any byte below 11.
    { isa::plain(b) } -> std::same_as<bool>;
    // Stores the pairs that begin at the bits of `pairs`, in order, and returns the end of them;
    // a pair at bit 63 takes its low digit from byte 0 of the next block, the second argument.
    { isa::store_pairs(b, b, pairs, out) } -> std::same_as<uint8_t*>;
    // Stores the 32 pairs of a block of text that begin at its even bytes.
    { isa::store_text(b, out) } -> std::same_as<void>;
    // Whether text alone pays for a branch at every block, whatever the input.
    { isa::text_at_every_block } -> std::convertible_to<bool>;
};

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
