// The line feed and NUL masks of a 64-byte block found a machine word at a time, with plain
// integer arithmetic. Included inside a kernel's namespace and target region, after
// block_loop.hpp, so that it is compiled for that kernel alone. Bit i of a mask always stands for
// byte i of the block, whatever the byte order of the machine.
#pragma once

static_assert(!std::is_same_v<kernel_scope, ::kernel_scope>, "include swar.hpp inside a kernel's namespace");
static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big,
              "the word masks know only little- and big-endian byte orders");

namespace {

struct swar_masks {
    static constexpr uint64_t ones = 0x0101010101010101;
    static constexpr uint64_t low7 = 0x7f7f7f7f7f7f7f7f;

    // The builtin, as in portable.hpp, not the C library's memcpy.
    static uint64_t load(const uint8_t* p)
    {
        uint64_t w;
        __builtin_memcpy(&w, p, sizeof w);
        return w;
    }

    // The top bit of each zero byte of w, and no other bit. Adding 0x7f to the low seven bits of
    // a byte carries into its top bit unless they are all zero, and never out of the byte.
    static constexpr uint64_t zero_bytes(uint64_t w) { return ~(((w & low7) + low7) | w | low7); }

    // The top bits of the eight bytes of z, as eight bits in memory order. The multiply moves the
    // top bit of the byte at bits 8k to bit 56 + k on a little-endian machine, or to bit 63 - k on
    // a big-endian one; no two partial products share a bit, so nothing carries.
    static constexpr uint64_t gather(uint64_t z)
    {
        if constexpr (std::endian::native == std::endian::little)
            return (z * (0x0102040810204080 >> 7)) >> 56;
        else
            return ((z >> 7) * 0x8040201008040201) >> 56;
    }

    // Bit i tells whether byte i of the block is c. Declared inline outright, as the masks of
    // every kernel are: clang gives a function defined in its class no inlining hint.
    static inline uint64_t byte_mask(const uint8_t* block, uint8_t c)
    {
        uint64_t mask = 0;
        for (unsigned k = 0; k < 8; ++k)
            mask |= gather(zero_bytes(load(block + 8 * k) ^ (ones * c))) << (8 * k);
        return mask;
    }

    // (w - n * ones) & ~w has a top bit set where w has a byte below n, at most 128 (and maybe
    // beside it, where the borrow runs on), and none where it has none: exact for the block as a
    // whole, and cheaper.
    static inline bool has_less_than(const uint8_t* block, uint8_t n)
    {
        uint64_t any = 0;
        for (unsigned k = 0; k < 8; ++k) {
            const uint64_t w = load(block + 8 * k);
            any |= (w - ones * n) & ~w;
        }
        return (any & ~low7) != 0;
    }

    static inline bool has_zero(const uint8_t* block) { return has_less_than(block, 1); }
};

}  // namespace
