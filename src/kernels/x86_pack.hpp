// Packing the pairs of a block together with a byte shuffle, for the x86 kernels that have no
// byte compress: 16 bytes at a time, each 16 bits of the pair starts picking the shuffle's index
// list from one table.
#pragma once

#include <immintrin.h>

#include <cstdint>

#include "pack_lists.hpp"

// The shuffle that packs the bytes at the bits of `bits` (no two next to each other) of 16 into
// their first bytes, in order; its second 8 bytes are of no use. A list is read as 16 bytes, the
// next entry's too, for the shuffle to take it straight from memory: the last entry of each page
// has all its low bits set, so that read never crosses into another page.
__attribute__((target("sse2"))) inline __m128i pack_shuffle(uint64_t bits)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pack_lists[bits & 0xFFFF].data()));
}
