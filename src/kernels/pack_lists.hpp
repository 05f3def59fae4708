// The packing table of the kernels that pack 16 bytes at a time with a byte shuffle (the x86
// kernels) or a table lookup (NEON): for each 16 bits of pair starts, where its pairs are.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

inline constexpr size_t pack_page = 4096;

using pack_list = std::array<uint8_t, 8>;

// Pairs never stand next to each other, so only the lists of such bits are ever read.
constexpr bool pack_bits_read(unsigned bits)
{
    return (bits & (bits >> 1)) == 0;
}

// For each 16 bits of pair starts, the places of the set bits, lowest first; the rest are 0.
// Indexed by the bits themselves: 512 KiB of zero memory, filled on first use with the lists that
// are read, so only the pages that hold them (34 of 128) become resident.
alignas(pack_page) inline std::array<pack_list, 0x10000> pack_lists;

inline bool pack_lists_filled = false;

// Fills pack_lists the first time it is called. The decoder runs on one thread; a function-local
// static would make its guard, and the C++ runtime's 1.4 MiB with it, part of the program.
inline void fill_pack_lists()
{
    if (pack_lists_filled)
        return;
    for (unsigned bits = 0; bits < pack_lists.size(); ++bits) {
        if (!pack_bits_read(bits))
            continue;
        unsigned n = 0;
        for (unsigned left = bits; left != 0; left &= left - 1)
            pack_lists[bits][n++] = static_cast<uint8_t>(std::countr_zero(left));
    }
    pack_lists_filled = true;
}
