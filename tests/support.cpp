#include "support.hpp"

#include <algorithm>

#include "decode.hpp"

using namespace std::string_view_literals;

std::span<const kernel> kernels_under_test()
{
    static const std::vector<kernel> kernels = [] {
        std::vector<kernel> all(all_kernels().begin(), all_kernels().end());
        for (const kernel* k : emulated_kernels)
            all.push_back(*k);
        return all;
    }();
    return kernels;
}

byte_string bytes(std::string_view s)
{
    return {s.begin(), s.end()};
}

byte_string decode_by_lines(std::span<const uint8_t> input)
{
    byte_string out;
    while (!input.empty()) {
        const auto lf = std::find(input.begin(), input.end(), '\n');
        const auto line = input.first(static_cast<size_t>(lf - input.begin()));
        const size_t at = out.size();
        out.resize(at + line.size() / 2);
        out.resize(at + decode_line(line, out.data() + at));
        input = input.subspan(std::min(input.size(), line.size() + 1));
    }
    return out;
}

namespace {

// In place, the output starts no further before the chunk than the rule allows, so that a kernel
// that needs more room than the rule grants overwrites input it has yet to read.
constexpr size_t least_in_place_gap = [] {
    size_t gap = 0;
    while (!stores_stay_behind_reads(gap))
        ++gap;
    return gap;
}();
static_assert(least_in_place_gap <= in_place_gap);

}  // namespace

byte_string decode_in_chunks(const kernel& k, std::span<const uint8_t> input, std::span<const size_t> cuts,
                             placement where)
{
    byte_string out;
    decoder_state state;
    auto feed = [&](std::span<const uint8_t> piece) {
        if (where == placement::in_place) {
            byte_string buffer(least_in_place_gap + piece.size());
            std::copy(piece.begin(), piece.end(), buffer.begin() + least_in_place_gap);
            const size_t n = decode_chunk(k, state, std::span(buffer).subspan(least_in_place_gap), buffer.data());
            out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
            return;
        }
        const byte_string chunk(piece.begin(), piece.end());
        byte_string decoded(decoded_capacity(chunk.size()));
        decoded.resize(decode_chunk(k, state, chunk, decoded.data()));
        out.insert(out.end(), decoded.begin(), decoded.end());
    };
    for (size_t cut : cuts) {
        cut = std::min(cut, input.size());
        feed(input.first(cut));
        input = input.subspan(cut);
    }
    feed(input);
    return out;
}

byte_string random_text(std::mt19937_64& rng, size_t size)
{
    static constexpr std::string_view hex = "0123456789abcdef";
    static constexpr std::string_view odd = "\r\0AFZz g\x7f\x80\xff"sv;  // sv: it holds a NUL
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    const size_t kind = pick(3);
    // Short lines, xxd-like lines, and lines longer than a read buffer's share of a block.
    static constexpr size_t line_lengths[] = {3, 61, 300, 5000};
    const size_t max_line = line_lengths[pick(std::size(line_lengths))];

    byte_string text;
    while (text.size() < size) {
        const size_t line = pick(max_line + 1);
        for (size_t i = 0; i < line && text.size() < size; ++i) {
            if (kind == 2)
                text.push_back(static_cast<uint8_t>(pick(256)));
            else if (kind == 1 && pick(40) == 0)
                text.push_back(static_cast<uint8_t>(odd[pick(odd.size())]));
            else
                text.push_back(static_cast<uint8_t>(hex[pick(hex.size())]));
        }
        text.push_back('\n');
    }
    // The last line sometimes stops at the end of the input without a line feed.
    if (!text.empty() && pick(2) == 0)
        text.pop_back();
    return text;
}

std::vector<size_t> random_cuts(std::mt19937_64& rng, size_t total)
{
    std::vector<size_t> cuts;
    std::uniform_int_distribution<size_t> count(0, 8);
    for (size_t n = count(rng); n > 0 && total > 0; --n) {
        // Mostly small chunks, so that lines and blocks straddle them.
        const size_t limit = std::uniform_int_distribution<int>(0, 1)(rng) ? 130 : total;
        const size_t cut = std::uniform_int_distribution<size_t>(0, std::min(limit, total))(rng);
        cuts.push_back(cut);
        total -= cut;
    }
    return cuts;
}
