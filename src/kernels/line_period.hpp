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
// first character; what a block there holds; and where the block after it falls. The lists are
// aligned for the kernels' aligned loads, which SSE can take as operands.
struct period_place {
    alignas(64) uint8_t lf_bytes[block_size];  // 0xFF at each line feed, 0 at every other byte
    // The places of each pair's high digit and then its low one, pair by pair, 64 being byte 0 of
    // the block after; then 0xFF: for a permute from two blocks that lays each pair in 16 bits.
    alignas(64) uint8_t pair_digits[block_size];
    // The places of all the block's pair starts, lowest first, then 0xFF: for a lookup that reads
    // from the whole block at once.
    uint8_t starts[block_size / 2];
    // For each 16 bytes, the places of their pair starts, lowest first (8 at most, as pairs never
    // stand next to each other), then 0xFF, which a byte shuffle or table lookup reads as zero.
    alignas(16) uint8_t order[4][16];
    uint64_t lf;                   // bit i: byte i is a line feed
    uint64_t pairs;                // bit i: byte i begins a pair
    const period_place* next;      // the place of the block after
    uint8_t ends[4];               // how many pairs the first 16, 32, 48 and 64 bytes begin
    uint32_t generation;           // the table's generation it was made in
};
// A place takes four blocks' room, whole places in a table keeping their lists aligned.
static_assert(sizeof(period_place) == 4 * block_size);

// The places of one orbit: a length and the places a block can reach from one of them. Blocks
// step 64 bytes, so from place r they reach the places that leave r's remainder by the gcd of
// the length and 64, and only those are made, each when a block is about to reach it: a period
// that breaks soon costs only the places it reached.
struct line_period {
    size_t length = 0;
    size_t orbit = 0;   // that remainder
    size_t places = 0;  // how many places the orbit has
    size_t made = 0;    // how many of them are made
    uint32_t generation = 0;  // one more at each new orbit; a place made in an older one is not made
    period_place at[longest_period];
};

// Zeros from the start, set by no code: clang would otherwise make it at start-up behind a guard,
// and bring in the C++ runtime (1.4 MiB) with it.
inline constinit line_period the_period{};

// Fills the place at offset r of lines `length` bytes long, each ending with its line feed: line
// by line, as a period may be made for a few blocks only.
inline void fill_place(period_place& p, size_t length, size_t r, const period_place* next)
{
    constexpr uint64_t even = 0x5555555555555555;
    constexpr auto line_bits = [](size_t from, size_t to) {  // bits from..to, both within the block
        return (~uint64_t{0} << from) & (~uint64_t{0} >> (block_size - 1 - to));
    };
    p = {};
    p.next = next;
    std::memset(p.order, 0xFF, sizeof p.order);
    std::memset(p.starts, 0xFF, sizeof p.starts);
    std::memset(p.pair_digits, 0xFF, sizeof p.pair_digits);
    // Each line that the block holds part of starts `start` bytes into the block (before it where
    // negative): its pair starts are every second byte from there to 3 bytes before its end, and
    // its line feed ends it.
    for (auto start = -static_cast<ptrdiff_t>(r); start < static_cast<ptrdiff_t>(block_size);
         start += static_cast<ptrdiff_t>(length)) {
        const ptrdiff_t lf = start + static_cast<ptrdiff_t>(length) - 1;
        if (lf < static_cast<ptrdiff_t>(block_size)) {
            p.lf |= uint64_t{1} << lf;
            p.lf_bytes[lf] = 0xFF;
        }
        const ptrdiff_t first = start >= 0 ? start : start + ((-start + 1) & ~ptrdiff_t{1});
        const ptrdiff_t last = std::min(lf - 2, static_cast<ptrdiff_t>(block_size) - 1);
        if (first <= last)
            p.pairs |= line_bits(static_cast<size_t>(first), static_cast<size_t>(last)) & (first % 2 == 0 ? even : ~even);
    }
    unsigned counts[4] = {};
    unsigned n = 0;
    for (uint64_t left = p.pairs; left != 0; left &= left - 1) {
        const auto bit = static_cast<unsigned>(std::countr_zero(left));
        p.order[bit / 16][counts[bit / 16]++] = static_cast<uint8_t>(bit % 16);
        p.pair_digits[2 * n] = static_cast<uint8_t>(bit);
        p.pair_digits[2 * n + 1] = static_cast<uint8_t>(bit + 1);
        p.starts[n++] = static_cast<uint8_t>(bit);
    }
    unsigned before = 0;
    for (size_t part = 0; part < 4; ++part) {
        before += counts[part];
        p.ends[part] = static_cast<uint8_t>(before);
    }
}

// The table for lines of `length` bytes and the orbit of place r, none of its places made
// where it was another's.
inline line_period& period_for(size_t length, size_t r)
{
    line_period& t = the_period;
    const size_t gcd = std::gcd(length, block_size);
    const size_t orbit = r % gcd;
    if (t.length != length || t.orbit != orbit) {
        t.length = length;
        t.orbit = orbit;
        t.places = length / gcd;
        t.made = 0;
        if (++t.generation == 0) {
            for (period_place& p : t.at)
                p.generation = 0;
            t.generation = 1;
        }
    }
    return t;
}

// Makes those of the `count` places from r on that are not made yet.
inline void make_places(line_period& t, size_t r, size_t count)
{
    for (size_t place = r; count > 0 && t.made < t.places; --count) {
        const size_t next = (place + block_size) % t.length;
        period_place& p = t.at[place];
        if (p.generation != t.generation) {
            fill_place(p, t.length, place, &t.at[next]);
            p.generation = t.generation;
            ++t.made;
        }
        place = next;
    }
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
