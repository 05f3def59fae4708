// Packing chosen bytes of a 16-byte vector together with SSSE3's byte shuffle, for the x86
// kernels that have no byte compress.
#pragma once

#include <immintrin.h>

#include <bit>
#include <cstdint>

// For each 8-bit mask, the indices of its set bits, lowest first, one per byte, as pshufb takes
// them: for the low eight bytes of a vector in the low half of an entry, for the high eight
// bytes in the high half. The other half is zero, so the two entries of a 16-bit mask combine
// with an OR straight from memory.
struct pack_tables {
    alignas(16) uint8_t low[256][16];
    alignas(16) uint8_t high[256][16];
};

constexpr pack_tables make_pack_tables()
{
    pack_tables t{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned n = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((mask >> bit) & 1) {
                t.low[mask][n] = static_cast<uint8_t>(bit);
                t.high[mask][8 + n] = static_cast<uint8_t>(8 + bit);
                ++n;
            }
        }
    }
    return t;
}

inline constexpr pack_tables pack = make_pack_tables();

// Stores the bytes of `bytes` whose bits are set in the low 16 bits of `mask`, in order.
__attribute__((target("ssse3,popcnt"))) inline uint8_t* pack16(__m128i bytes, uint64_t mask, uint8_t* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    const __m128i order = _mm_or_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(pack.low[low])),
                                       _mm_load_si128(reinterpret_cast<const __m128i*>(pack.high[high])));
    const __m128i packed = _mm_shuffle_epi8(bytes, order);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    out += std::popcount(low);
    _mm_storeh_pi(reinterpret_cast<__m64*>(out), _mm_castsi128_ps(packed));
    return out + std::popcount(high);
}

