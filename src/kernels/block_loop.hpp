// The one block loop of every kernel, over the primitives of an instruction set. A kernel's file
// includes this inside its target region (target.hpp), after blocks.hpp and kernel.hpp, so that
// the loop is compiled for the kernel's instructions and its primitives inline into it.
//
// The primitives, static members of `isa`:
//   block                          the 64 bytes of a block as the kernel holds them
//   load(p)                        the block at p
//   marks(b)                       its line feeds and NULs, one bit per byte (line_marks)
//   store_even_pairs(p, out)       stores the 32 pairs that begin at p[0], p[2], ..., p[62]
//   store_pairs(b, p, pairs, out)  stores the pairs that begin at the bits of `pairs`, reading
//                                  p[64] too; returns the end of what it stored
//   text_blocks                    1, or 2 where the instruction set gains from taking two
//                                  blocks of text a step
// Stores may write up to kernel_overrun bytes past the pairs they store.
#pragma once

struct line_marks {
    uint64_t lf;
    uint64_t nul;
    bool operator==(const line_marks&) const = default;
};

template <class isa>
block_progress decode_blocks_with(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    block_carry carry{skipping, false};
    uint8_t* const start = out;
    size_t i = 0;
    while (in.size() - i > block_size) {
        const uint8_t* p = in.data() + i;
        const typename isa::block b = isa::load(p);
        const line_marks m = isa::marks(b);
        if ((m.lf | m.nul) == 0 && !carry.skipping) {
            // One line's text fills the block, or two: its pairs begin at every even byte, or at
            // every odd one where byte 0 ends a pair of the block before; then the last pair's
            // low digit is the byte after, and the pair is whole only if that is text.
            size_t step = block_size;
            isa::store_even_pairs(p + carry.low_next, out);
            if (isa::text_blocks == 2 && in.size() - i > 2 * block_size &&
                isa::marks(isa::load(p + block_size)) == line_marks{}) {
                isa::store_even_pairs(p + block_size + carry.low_next, out + block_size / 2);
                step = 2 * block_size;
            }
            const bool next_is_text = is_text(p[step]);
            out += step / 2 - (carry.low_next && !next_is_text);
            carry.low_next = carry.low_next && next_is_text;
            i += step;
            continue;
        }
        out = isa::store_pairs(b, p, pair_starts(m.lf, m.nul, is_text(p[block_size]), carry), out);
        i += block_size;
    }
    skipping = carry.skipping;
    return {i + carry.low_next, static_cast<size_t>(out - start)};
}
