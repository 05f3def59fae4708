// Packing the pairs of a block together with a byte shuffle, for the x86 kernels that have no
// byte compress: 16 bytes at a time, each 16 bits of the pair starts picking the shuffle's index
// list from one table.
#pragma once

#include <immintrin.h>

#include <array>
#include <bit>
#include <cstdint>

// For each 16 bits of pair starts, the places of the set bits, lowest first; the rest are 0.
// The table is indexed by the bits themselves, so that finding the entry takes no instruction:
// 65,536 entries, 512 KiB of the program's file. But pairs never stand next to each other, so
// only entries with no two ones next to each other are read, and only pages whose entries'
// 7 top bits (those that name the page) have none: 34 of its 128 pages, 136 KiB at most
// resident. A list is read as 16 bytes, the next entry's too, for a shuffle to take it straight
// from memory; the entry after a list that is read never crosses into another page, since the
// last entry of each page has all its low bits set.
inline constexpr auto pack_lists = [] {
    std::array<std::array<uint8_t, 8>, 0x10000> t{};
    for (unsigned bits = 0; bits < t.size(); ++bits) {
        if ((bits & (bits >> 1)) != 0)
            continue;
        unsigned n = 0;
        for (unsigned left = bits; left != 0; left &= left - 1)
            t[bits][n++] = static_cast<uint8_t>(std::countr_zero(left));
    }
    return t;
}();

// The shuffle that packs the bytes at the bits of `bits` (no two next to each other) of 16 into
// their first bytes, in order; its second 8 bytes are of no use.
__attribute__((target("sse2"))) inline __m128i pack_shuffle(uint64_t bits)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pack_lists[bits & 0xFFFF].data()));
}
