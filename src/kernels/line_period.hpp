// Lines of one length: where a block falls among them tells, before it is read, where its line
// feeds are and which of its bytes begin a pair. The loop's period way (period_way.inc) checks
// each block against that and packs its pairs by lists made once, when the length is found.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>

#include "kernel.hpp"

// Longer lines are nearly all text, and the text way takes them.
inline constexpr size_t longest_period = 1024;

// A place in the period: the offset in its line of a block's first byte, counted from the line's
// first character; what a block there holds; and where the block after it falls.
struct alignas(64) period_place {
    uint8_t lf_bytes[block_size];  // 0xFF at each line feed, 0 at every other byte
    // The places of all the block's pair starts, lowest first, then 0xFF: for a lookup that reads
    // from the whole block at once.
    uint8_t starts[block_size / 2];
    // For each 16 bytes, the places of their pair starts, lowest first (8 at most, as pairs never
    // stand next to each other), then 0xFF, which a byte shuffle or table lookup reads as zero.
    uint8_t order[4][16];
    uint64_t lf;                   // bit i: byte i is a line feed
    uint64_t pairs;                // bit i: byte i begins a pair
    const period_place* next;      // the place of the block after
    uint8_t ends[4];               // how many pairs the first 16, 32, 48 and 64 bytes begin
};
// The lists fit in what alignment left spare, and stay where loads of 16 bytes reach them
// directly from the place.
static_assert(sizeof(period_place) == 3 * block_size);

// The places of one orbit: a length and the places a block can reach from one of them. Blocks
// step 64 bytes, so from place r they reach the places that leave r's remainder by the gcd of
// the length and 64, and only those are made.
struct line_period {
    size_t length = 0;
    size_t orbit = 0;  // that remainder
    period_place at[longest_period];
};

inline line_period the_period;

constexpr size_t period_orbit(size_t length, size_t place)
{
    return place % std::gcd(length, block_size);
}

// Fills the place at offset r of lines `length` bytes long, each ending with its line feed.
inline void fill_place(period_place& p, size_t length, size_t r, const period_place* next)
{
    p = {};
    p.next = next;
    size_t q = r;  // the offset in its line of byte i
    for (size_t i = 0; i < block_size; ++i) {
        if (q == length - 1) {
            p.lf |= uint64_t{1} << i;
            p.lf_bytes[i] = 0xFF;
        }
        else if (q % 2 == 0 && q + 2 < length)  // its low digit is text too
            p.pairs |= uint64_t{1} << i;
        q = q + 1 == length ? 0 : q + 1;
    }
    unsigned before = 0;
    for (size_t part = 0; part < 4; ++part) {
        const uint64_t bits = (p.pairs >> (16 * part)) & 0xFFFF;
        std::memset(p.order[part], 0xFF, sizeof p.order[part]);
        unsigned n = 0;
        for (uint64_t left = bits; left != 0; left &= left - 1)
            p.order[part][n++] = static_cast<uint8_t>(std::countr_zero(left));
        for (unsigned k = 0; k < n; ++k)
            p.starts[before + k] = static_cast<uint8_t>(16 * part + p.order[part][k]);
        before += n;
        p.ends[part] = static_cast<uint8_t>(before);
    }
    std::memset(p.starts + before, 0xFF, sizeof p.starts - before);
}

// The table for lines of `length` bytes, with the orbit of place r made.
inline const line_period& period_for(size_t length, size_t r)
{
    line_period& t = the_period;
    const size_t orbit = period_orbit(length, r);
    if (t.length != length || t.orbit != orbit) {
        t.length = length;
        t.orbit = orbit;
        size_t place = r;
        do {
            const size_t next = (place + block_size) % length;
            fill_place(t.at[place], length, place, &t.at[next]);
            place = next;
        } while (place != r);
    }
    return t;
}

// How long the lines before `at` are, where the last `lines` of them, which start after `begin`,
// are one length no longer than longest_period and the line going on at `at` is still shorter;
// else 0. Sets `place` to where `at` falls in that line.
inline size_t line_length_before(const uint8_t* begin, const uint8_t* at, size_t lines, size_t& place)
{
    // The last line feed before `before`, no further back than a longest line.
    const auto last_lf = [begin](const uint8_t* before) {
        const size_t span = std::min(static_cast<size_t>(before - begin), longest_period);
        return static_cast<const uint8_t*>(memrchr(before - span, '\n', span));
    };
    const uint8_t* lf = last_lf(at);
    if (lf == nullptr)
        return 0;
    place = static_cast<size_t>(at - lf) - 1;
    size_t length = 0;
    for (size_t n = 0; n < lines; ++n) {
        const uint8_t* const earlier = last_lf(lf);
        if (earlier == nullptr)
            return 0;
        const auto gap = static_cast<size_t>(lf - earlier);
        if (gap > longest_period || (length != 0 && gap != length))
            return 0;
        length = gap;
        lf = earlier;
    }
    return place < length ? length : 0;
}
