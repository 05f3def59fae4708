// The one block loop of every kernel, over the primitives of an instruction set. A kernel's file
// includes this inside its own namespace and target region (target.hpp), after blocks.hpp and
// kernel.hpp, so that the loop is compiled for the kernel's instructions and its primitives
// inline into it.
#pragma once

#include <concepts>
#include <type_traits>

// Each kernel's loop and its marks are its own: included at the top level, they would clash.
struct kernel_scope {};
static_assert(!std::is_same_v<kernel_scope, ::kernel_scope>, "include block_loop.hpp inside a kernel's namespace");

struct line_marks {
    uint64_t lf;
    uint64_t nul;  // may be 0 for a block that holds no NUL, without looking further
};

// What a kernel supplies, as static members of one struct.
template <class isa>
concept block_primitives = requires(const uint8_t* p, const typename isa::block& b, uint64_t pairs, bool odd,
                                    uint8_t* out) {
    // The 64 bytes at p, and whatever the kernel finds in them once (their digit values, say).
    { isa::load(p) } -> std::same_as<typename isa::block>;
    // The block's line feeds and NULs, one bit per byte.
    { isa::marks(b) } -> std::same_as<line_marks>;
    // Stores the pairs that begin at the bits of `pairs`, in order, and returns the end of them;
    // a pair at bit 63 takes its low digit from byte 0 of the next block, the second argument.
    { isa::store_pairs(b, b, pairs, out) } -> std::same_as<uint8_t*>;
    // Stores the 32 pairs of a block of text that begin at its even bytes, or at its odd ones.
    { isa::store_text(b, b, odd, out) } -> std::same_as<void>;
    // Whether the loop takes the text way at every block of text, where the line way costs more
    // than a mispredicted branch, rather than only inside a run of them.
    { isa::text_at_every_block } -> std::convertible_to<bool>;
};

// Decodes the blocks of `in` while a whole block follows the one at hand. Each step finds the
// next block's marks before it finishes its own: their bit 0 tells whether the block's last pair
// is whole, and everything a step reads is loaded before it stores. A step takes the line way,
// with no branch on what the block holds, so lines of any lengths cost the same; only inside a
// run of blocks of text, entered after two of them, does it take the cheaper way of text
// alone, and it leaves that at the first block with a mark, a branch that mispredicts once a run.
// (A kernel whose line way costs more than that branch takes the text way at every block of
// text.)
template <block_primitives isa>
block_progress decode_blocks_with(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    if (in.size() < 2 * block_size)
        return {0, 0};
    block_carry carry{skipping, 0, 0};
    uint8_t* const start = out;
    const uint8_t* p = in.data();
    const uint8_t* const last = in.data() + in.size() - 2 * block_size;
    typename isa::block b = isa::load(p);
    line_marks m = isa::marks(b);
    while (p <= last) {
        const typename isa::block next = isa::load(p + block_size);
        const line_marks n = isa::marks(next);
        const uint64_t text_before = carry.text;
        out = isa::store_pairs(b, next, pair_starts(m.lf, m.nul, ~(n.lf | n.nul) & 1, carry), out);
        // Two blocks of text alone in a row begin a run.
        const bool run = isa::text_at_every_block || (text_before & carry.text) == ~uint64_t{0};
        b = next;
        m = n;
        p += block_size;
        if (!run)
            continue;
        // Text alone: one line fills the block, its pairs at every even byte, or at every odd
        // one where byte 0 is the low digit of a pair begun before; then the last pair is whole
        // only if the byte after the block is text.
        const bool odd = (carry.text >> 63) != 0 && carry.even_run == 0;
        while (p <= last && (m.lf | m.nul | carry.skipping) == 0) {
            const typename isa::block after = isa::load(p + block_size);
            const line_marks a = isa::marks(after);
            isa::store_text(b, after, odd, out);
            out += block_size / 2 - (odd && ((a.lf | a.nul) & 1) != 0);
            b = after;
            m = a;
            p += block_size;
            carry = {0, ~uint64_t{0}, !odd};
        }
        // The line goes on, but the blocks after a run count afresh.
        carry.text &= ~uint64_t{1};
    }
    skipping = carry.skipping != 0;
    // Where the last pair took its low digit from the block after, that byte is done too.
    const bool low_done = (carry.text >> 63) != 0 && carry.even_run == 0 && ((m.lf | m.nul) & 1) == 0;
    return {static_cast<size_t>(p - in.data()) + low_done, static_cast<size_t>(out - start)};
}
