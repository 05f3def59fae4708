// What the kernels share: what a kernel supplies to the block loop, the bit logic that finds, from
// the line feeds and NULs of a 64-byte block, which of its bytes begin a pair (pair_starts.hpp),
// and the portable kernel's packing table. With one bit per byte the lines of a block are handled
// all at once, so short lines cost no branch each.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "pair_starts.hpp"

inline constexpr size_t block_size = 64;

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

// For each 8-bit mask, the places of its set bits, lowest first, the rest 0: which of 8 bytes
// the portable kernel picks to pack the chosen ones together.
struct pack_entry {
    uint8_t places[8];
};

// A plain array, not std::array, whose operator[] GCC for s390x would not inline into a kernel's
// target region.
struct pack_table {
    pack_entry rows[256];
};

inline constexpr pack_table pack_order = [] {
    pack_table t{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned n = 0;
        for (uint8_t bit = 0; bit < 8; ++bit)
            if ((mask >> bit) & 1)
                t.rows[mask].places[n++] = bit;
    }
    return t;
}();
