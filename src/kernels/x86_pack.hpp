// Packing chosen bytes of a 16-byte vector together with SSSE3's byte shuffle, for the x86
// kernels that have no byte compress.
#pragma once

#include <immintrin.h>

#include <bit>
#include <cstdint>

#include "blocks.hpp"

// Stores the bytes of `bytes` whose bits are set in the low 16 bits of `mask`, in order, and
// returns the end of them; writes 16 bytes whatever their number.
__attribute__((target("ssse3,popcnt"))) inline uint8_t* pack16(__m128i bytes, uint64_t mask, uint8_t* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    const __m128i from_low = _mm_load_si128(reinterpret_cast<const __m128i*>(&pack_order[low]));
    const __m128i from_high = _mm_load_si128(reinterpret_cast<const __m128i*>(&pack_order[high]));
    const __m128i order = _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(from_low), _mm_castsi128_pd(from_high), 2));
    const __m128i packed = _mm_shuffle_epi8(bytes, order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    out += std::popcount(low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out), _mm_castsi128_ps(packed));
    return out + std::popcount(high);
}
