// The packing table of the kernels that pack 16 bytes at a time with a byte shuffle (the x86
// kernels) or a table lookup (NEON): for each 16 bits of pair starts, where its pairs are.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

// For each 16 bits of pair starts, the places of the set bits, lowest first; the rest are 0.
// The table is indexed by the bits themselves, so that finding the entry takes no instruction:
// 65,536 entries of 8 bytes, 512 KiB. But pairs never stand next to each other, so only the
// entries with no two ones next to each other are ever read (2,584 of them), and so only the
// pages whose entries' 7 top bits (those that name the page) have none: 34 of its 128 pages. The
// table is zero memory that a kernel fills when it first decodes, entry by entry, so those 34
// pages, 136 KiB, are all of it that becomes resident, and only where such a kernel runs; in the
// program's file it would be 512 KiB, and the pages around each one read would be mapped with it.
inline std::array<std::array<uint8_t, 8>, 0x10000> pack_lists;

inline bool pack_lists_filled = false;

// Fills pack_lists the first time it is called. The decoder runs on one thread; a function-local
// static would make its guard, and the C++ runtime's 1.4 MiB with it, part of the program.
inline void fill_pack_lists()
{
    if (pack_lists_filled)
        return;
    for (unsigned bits = 0; bits < pack_lists.size(); ++bits) {
        if ((bits & (bits >> 1)) != 0)
            continue;
        unsigned n = 0;
        for (unsigned left = bits; left != 0; left &= left - 1)
            pack_lists[bits][n++] = static_cast<uint8_t>(std::countr_zero(left));
    }
    pack_lists_filled = true;
}
