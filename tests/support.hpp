// Helpers shared by the tests and the fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <random>
#include <span>
#include <string_view>
#include <vector>

#include "kernels/kernel.hpp"

using byte_string = std::vector<uint8_t>;

// GoogleTest names a kernel by its name rather than by the bytes of its value.
inline void PrintTo(const kernel& k, std::ostream* os)
{
    *os << k.name;
}

// Kernels of the tests' own (NAME_emulated.cpp): vector kernels compiled over a portable emulation
// of their instructions, which any x86-64 CPU runs; none where SIMDe was not found.
extern const std::span<const kernel* const> emulated_kernels;

// The kernels that dehex is built with, then the emulated ones.
std::span<const kernel> kernels_under_test();

byte_string bytes(std::string_view s);

// What a whole stream must decode to: decode_line applied to each of its lines in turn.
byte_string decode_by_lines(std::span<const uint8_t> input);

enum class placement { apart, in_place };

// Decodes `input` with kernel k, fed as chunks of the sizes in `cuts` and then the rest. Each
// chunk and its output get buffers of their own, of exactly the allowed size, so that the
// sanitizers see any access past them; or in place, one buffer of exactly the least gap that
// stores_stay_behind_reads allows and then the chunk.
byte_string decode_in_chunks(const kernel& k, std::span<const uint8_t> input, std::span<const size_t> cuts = {},
                             placement where = placement::apart);

// Random text of about `size` bytes, in lines of random lengths, of one of several kinds: clean
// lowercase hex, hex with CR, NUL and uppercase sprinkled in, or any bytes at all.
byte_string random_text(std::mt19937_64& rng, size_t size);

// Random chunk sizes that add up to at most `total`.
std::vector<size_t> random_cuts(std::mt19937_64& rng, size_t total);
