// Hexadecimal text to bytes: the digit, pair and line rules, and the chunked decoder that applies
// them to a stream read in pieces of any size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "kernels/kernel.hpp"

// Every byte has a digit value: 'a' to 'z' count on from 10 and every other byte counts from '0',
// so uppercase letters and punctuation give values too. Nothing is refused.
constexpr int digit_value(uint8_t c)
{
    return (c >= 'a' && c <= 'z') ? c - 'a' + 10 : c - '0';
}

// The byte that a high and a low digit character spell: the low 8 bits of 16 * high + low.
constexpr uint8_t decode_pair(uint8_t high, uint8_t low)
{
    return static_cast<uint8_t>(16 * digit_value(high) + digit_value(low));
}

// Decodes one line, given with or without its line feed. Its text ends at the first line feed or
// NUL byte; each pair of characters from the start of the text gives one byte, and an odd last
// character is dropped. Writes at most line.size() / 2 bytes to `out`; returns how many.
size_t decode_line(std::span<const uint8_t> line, uint8_t* out);

// What the decoding of a stream carries from one chunk to the next: where the current line stands.
struct decoder_state {
    bool skipping = false;                // a NUL byte has ended the current line's text
    std::optional<uint8_t> pending_high;  // a high digit still waiting for its low digit
};

// The room decode_chunk needs in `out` for a chunk of n bytes.
constexpr size_t decoded_capacity(size_t n)
{
    return n / 2 + 1 + kernel_overrun;
}

// Whether decode_chunk's output may start `gap` bytes before its chunk, in the same memory, with
// no store reaching input still to be read. Each byte decoded before and after the kernel is
// stored once its two digits are read, so that output, which grows by one byte for every two
// read, stays the gap or more behind the input. The kernel (kernel.hpp) stores what a block
// decodes to, and at most kernel_overrun bytes from where that starts, before it reads the block
// after it for the last time: a run of text stores a block before it reads the next at all. Its
// output for a block starts the gap or more behind the block, so a store stays behind the block
// after while the gap and a block cover the overrun.
constexpr bool stores_stay_behind_reads(size_t gap)
{
    return gap + block_size >= kernel_overrun;
}
// dehex's own gap, with room to spare (the tests decode in place at the least the rule allows).
inline constexpr size_t in_place_gap = 2 * kernel_overrun;
static_assert(stores_stay_behind_reads(in_place_gap));

// Decodes the next chunk of a stream with kernel k. A line may start in one chunk and end in a
// later one; `state` carries it across. The output is the same however the stream is split.
// Writes at most decoded_capacity(chunk.size()) bytes to `out`, which may be the chunk's own
// memory, in_place_gap bytes or more before it; returns how many it decoded.
size_t decode_chunk(const kernel& k, decoder_state& state, std::span<const uint8_t> chunk, uint8_t* out);
