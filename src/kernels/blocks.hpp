// What the kernels share: the bit logic that finds, from the line feeds and NULs of a 64-byte
// block, which of its bytes begin a pair, and the table that packs those pairs together. With one
// bit per byte the lines of a block are handled all at once, so short lines cost no branch each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pair_starts.hpp"

inline constexpr size_t block_size = 64;

// For each 8-bit mask, the places of its set bits, lowest first, in the low eight bytes, and the
// same places plus 8 in the high eight: the byte shuffle that packs together the chosen bytes of
// the low or of the high half of a 16-byte vector. Unused places are 0 (8 in the high half).
struct pack_entry {
    alignas(16) uint8_t low[8];
    uint8_t high[8];
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
                t.rows[mask].low[n++] = bit;
        for (unsigned i = 0; i < 8; ++i)
            t.rows[mask].high[i] = static_cast<uint8_t>(t.rows[mask].low[i] + 8);
    }
    return t;
}();
