// The packing tables, which give for some bits of pair starts where their pairs are, so that a
// kernel can pack the pairs together: for 16 bits at a time, read by a byte shuffle (the x86
// kernels) or a table lookup (NEON); and for 8 bits at a time, for the portable kernel.
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

// Whether a kernel that reads `bytes` bytes from the start of a list (and so the lists after it)
// never reaches into another page than the list's, nor past the table: no list that is read starts
// within `bytes` of the end of a page. Checked at the end of every page.
constexpr bool pack_reads_stay_in_page(size_t bytes)
{
    static_assert(pack_page % sizeof(pack_list) == 0 && sizeof pack_lists % pack_page == 0);
    for (size_t page_end = pack_page; page_end <= sizeof pack_lists; page_end += pack_page)
        for (size_t list = page_end / sizeof(pack_list); list-- > 0 && list * sizeof(pack_list) + bytes > page_end;)
            if (pack_bits_read(static_cast<unsigned>(list)))
                return false;
    return true;
}

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

// For each 8-bit mask, the places of its set bits, lowest first, the rest 0: which of 8 bytes
// the portable kernel picks to pack the chosen ones together. A plain array, not std::array, whose
// operator[] GCC for s390x would not inline into a kernel's target region.
struct pack_entry {
    uint8_t places[8];
};

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
