// Finding a byte in a 64-byte block a machine word at a time, with plain integer arithmetic, for
// the portable kernel. Bit i of a mask always stands for byte i of the block, whatever the byte
// order of the machine.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "the word masks know only little- and big-endian byte orders");

namespace swar {

inline constexpr uint64_t ones = 0x0101010101010101;
inline constexpr uint64_t low7 = 0x7f7f7f7f7f7f7f7f;

inline uint64_t load(const uint8_t* p)
{
    uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The top bit of each zero byte of w, and no other bit. Adding 0x7f to the low seven bits of a
// byte carries into its top bit unless they are all zero, and never out of the byte, so a byte
// with any bit set, the top one included, is told apart exactly.
constexpr uint64_t zero_bytes(uint64_t w)
{
    return ~(((w & low7) + low7) | w | low7);
}

// The top bits of the eight bytes of z, as zero_bytes leaves them, as eight bits in memory order.
// The multiply moves the top bit of the byte at bits 8k to bit 56 + k on a little-endian
// machine, or to bit 63 - k on a big-endian one, where that byte comes last in memory. No two
// partial products share a bit, so nothing carries.
constexpr uint64_t gather(uint64_t z)
{
    if constexpr (std::endian::native == std::endian::little)
        return (z * (0x0102040810204080 >> 7)) >> 56;
    else
        return ((z >> 7) * 0x8040201008040201) >> 56;
}

// Bit i tells whether byte i of the 64-byte block is c.
inline uint64_t byte_mask(const uint8_t* block, uint8_t c)
{
    uint64_t mask = 0;
    for (unsigned k = 0; k < 8; ++k)
        mask |= gather(zero_bytes(load(block + 8 * k) ^ (ones * c))) << (8 * k);
    return mask;
}

// Whether the 64-byte block holds a zero byte. Where a word has one, (w - ones) & ~w has a top
// bit set, though not only at the zero bytes (the borrow goes on through a byte 1 above them),
// and where it has none, no top bit: so the test is exact for the block as a whole while costing
// less than zero_bytes.
inline bool has_zero(const uint8_t* block)
{
    uint64_t any = 0;
    for (unsigned k = 0; k < 8; ++k) {
        const uint64_t w = load(block + 8 * k);
        any |= (w - ones) & ~w;
    }
    return (any & ~low7) != 0;
}

// Whether the 64-byte block holds a byte below n (at most 128), by has_zero's test with n in
// place of 1: exact for the block as a whole, for the same reason.
inline bool has_less_than(const uint8_t* block, uint8_t n)
{
    uint64_t any = 0;
    for (unsigned k = 0; k < 8; ++k) {
        const uint64_t w = load(block + 8 * k);
        any |= (w - ones * n) & ~w;
    }
    return (any & ~low7) != 0;
}

}  // namespace swar
