// The one block loop of every kernel, over the primitives of an instruction set (block_primitives,
// in blocks.hpp). A kernel's file includes this inside its own namespace and target region
// (target.hpp), after blocks.hpp and kernel.hpp, so that the loop is compiled for the kernel's
// instructions and its primitives inline into it.
#pragma once

// Each kernel's loop is its own: included at the top level, they would clash.
struct kernel_scope {};
static_assert(!std::is_same_v<kernel_scope, ::kernel_scope>, "include block_loop.hpp inside a kernel's namespace");

// The loop goes a stretch at a time, and takes one of two ways through each.
//
// The line way decodes every block alike, whatever it holds, with no branch on the input, so that
// lines of any lengths cost the same. Each block's marks are found one step ahead: their bit 0
// tells whether the block's last pair is whole.
//
// The text way stores a block of text alone for less, and branches at every block on whether it
// is one: that pays only where nearly every block is, and a stretch on any other input costs a
// mispredicted branch a block. So a stretch takes the text way only after one that was text nearly
// throughout, which its output tells: 32 bytes a block of text, about one less for every line
// end. A kernel whose line way costs more than that branch takes the text way always.
inline constexpr size_t stretch_blocks = 16;
inline constexpr size_t text_stretch_shortfall = 2;

struct block_cursor {
    const uint8_t* in;  // the block at hand, which a whole block follows
    uint8_t* out;
    block_carry carry;
};

template <block_primitives isa>
void line_stretch(block_cursor& at, typename isa::block& b, size_t blocks)
{
    line_marks m = isa::marks(b);
    for (; blocks > 0; --blocks) {
        const typename isa::block next = isa::load(at.in + block_size);
        const line_marks n = isa::marks(next);
        at.out = isa::store_pairs(b, next, pair_starts(m.lf, m.nul, n.lf | n.nul, at.carry), at.out);
        b = next;
        m = n;
        at.in += block_size;
    }
}

// Blocks of text while they last, up to `blocks` of them; returns how many there were. One line
// fills them, its pairs at every even byte; or at every odd one, where byte 0 is the low digit of
// a pair begun before: then they are the pairs at the even bytes of the block one byte on, the
// last of them whole only if the line goes on past the block.
template <block_primitives isa, bool odd>
size_t text_run(block_cursor& at, size_t blocks)
{
    size_t done = 0;
    do {
        isa::store_text(isa::load(at.in + odd), at.out);
        at.out += block_size / 2;
        at.in += block_size;
    } while (++done < blocks && isa::plain(isa::load(at.in)));
    at.out -= odd && !is_text(*at.in);
    at.carry = {0, ~uint64_t{0}, !odd};
    return done;
}

template <block_primitives isa>
void text_stretch(block_cursor& at, typename isa::block& b, size_t blocks)
{
    while (blocks > 0) {
        // A block that ends a run needs its marks, and this finds them for it.
        const line_marks m = isa::marks(b);
        if ((m.lf | m.nul | at.carry.skipping) == 0) {
            blocks -= low_digit_pending(at.carry) ? text_run<isa, true>(at, blocks) : text_run<isa, false>(at, blocks);
            b = isa::load(at.in);
            continue;
        }
        const typename isa::block next = isa::load(at.in + block_size);
        at.out = isa::store_pairs(b, next, pair_starts(m.lf, m.nul, !is_text(at.in[block_size]), at.carry), at.out);
        b = next;
        at.in += block_size;
        --blocks;
    }
}

// Decodes the blocks of `in` while a whole block follows the one at hand.
template <block_primitives isa>
block_progress decode_blocks_with(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    if (in.size() < 2 * block_size)
        return {0, 0};
    block_cursor at{in.data(), out, {skipping, 0, 0}};
    typename isa::block b = isa::load(at.in);
    bool text_way = isa::text_at_every_block;
    for (size_t left = in.size() / block_size - 1; left > 0;) {
        const size_t blocks = left < stretch_blocks ? left : stretch_blocks;
        const uint8_t* const stretch_out = at.out;
        if (text_way)
            text_stretch<isa>(at, b, blocks);
        else
            line_stretch<isa>(at, b, blocks);
        left -= blocks;
        text_way = isa::text_at_every_block ||
                   static_cast<size_t>(at.out - stretch_out) + text_stretch_shortfall >= blocks * block_size / 2;
    }
    skipping = at.carry.skipping != 0;
    // Where the last pair took its low digit from the block after, that byte is done too.
    const bool low_done = low_digit_pending(at.carry) && is_text(*at.in);
    return {static_cast<size_t>(at.in - in.data()) + low_done, static_cast<size_t>(at.out - out)};
}
