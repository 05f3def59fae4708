// Packing the pairs of a block together with a byte shuffle, for the x86 kernels that have no
// byte compress: 16 bytes at a time, each 16 bits of the pair starts picking the shuffle's index
// list from one table (pack_lists.hpp).
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "pack_lists.hpp"

// A list is read as 16 bytes, the next one's with it; the last list of a page is never read, so
// no read reaches into another page.
static_assert(pack_page % sizeof(pack_list) == 0 && !pack_bits_read(pack_page / sizeof(pack_list) - 1));

// The shuffle that packs the bytes at the set bits of `bits` (16 bits, no two next to each other)
// into their first bytes, in order; its second 8 bytes are of no use.
inline __m128i pack_shuffle(uint64_t bits)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pack_lists[bits].data()));
}
