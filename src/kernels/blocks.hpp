// What a kernel supplies to the block loop (block_loop.inc): its primitives, as static members of
// one struct named `primitives`, in its NAME.inc. With one bit per byte for the line feeds and NULs
// of a 64-byte block, the loop handles the lines of a block all at once, so short lines cost no
// branch each.
#pragma once

#include <concepts>
#include <cstdint>

#include "kernel.hpp"

struct line_marks {
    uint64_t lf;   // bit i: byte i of the block is a line feed
    uint64_t nul;  // bit i: byte i is a NUL (0 at once where a cheaper test finds none)
};

template <class isa>
concept block_primitives = requires(const uint8_t* p, const typename isa::block& b, uint64_t pairs, uint8_t* out) {
    // Sets up what the others read (fills the packing table the first time, say), once a call.
    { isa::prepare() } -> std::same_as<void>;
    // The 64 bytes at p, and whatever the kernel finds in them once (their digit values, say).
    { isa::load(p) } -> std::same_as<typename isa::block>;
    // The block's line feeds and NULs.
    { isa::marks(b) } -> std::same_as<line_marks>;
    // True only where the block holds no line feed and no NUL: text alone. It may say false of
    // any block with a byte below 11, where that makes it cheaper.
    { isa::surely_text(b) } -> std::same_as<bool>;
    // Stores the pairs that begin at the bits of `pairs`, in order, and returns the end of them;
    // a pair at bit 63 takes its low digit from byte 0 of the next block, the second argument.
    { isa::store_pairs(b, b, pairs, out) } -> std::same_as<uint8_t*>;
    // Stores the 32 pairs of a block of text that begin at its even bytes.
    { isa::store_text(b, out) } -> std::same_as<void>;
    // Whether the loop takes the text way at every stretch, whatever the input: where the line
    // way costs more than a mispredicted branch a block.
    { isa::always_text_way } -> std::convertible_to<bool>;
};

// A kernel may also supply, where it has a cheaper way than the loop's own through the others:
//   bool holds_no_line_end(const block&): whether a block holds no line feed and no NUL, exactly
//     (the loop asks marks otherwise), where surely_text has said false;
//   bool falls_at(const block&, const period_place&): whether a block's line feeds are at the
//     place's and it holds no NUL (line_period.hpp; the loop compares marks otherwise);
//   uint8_t* store_placed(const block&, const block& next, const period_place&, uint8_t* out):
//     store_pairs for the place's pairs, by the lists the place holds (the loop calls store_pairs
//     otherwise).
