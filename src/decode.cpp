#include "decode.hpp"

#include <algorithm>
#include <cstring>

namespace {

// The index of the first byte c in s, or s.size() when there is none.
size_t find_byte(std::span<const uint8_t> s, uint8_t c)
{
    const void* hit = s.empty() ? nullptr : std::memchr(s.data(), c, s.size());
    return hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - s.data()) : s.size();
}

uint8_t* decode_pairs(std::span<const uint8_t> text, uint8_t* out)
{
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        *out++ = decode_pair(text[i], text[i + 1]);
    return out;
}

// Decodes the next piece of the current line; `piece` holds no line feed, and the line may go on
// after it.
uint8_t* decode_piece(decoder_state& state, std::span<const uint8_t> piece, uint8_t* out)
{
    if (state.skipping)
        return out;
    auto text = piece.first(find_byte(piece, '\0'));
    const bool ended = text.size() < piece.size();
    if (state.pending_high && !text.empty()) {
        *out++ = decode_pair(*state.pending_high, text.front());
        state.pending_high.reset();
        text = text.subspan(1);
    }
    out = decode_pairs(text, out);
    if (ended) {
        state.skipping = true;
        state.pending_high.reset();
    } else if (text.size() % 2 != 0) {
        state.pending_high = text.back();
    }
    return out;
}

uint8_t* decode_lines(decoder_state& state, std::span<const uint8_t> chunk, uint8_t* out)
{
    for (;;) {
        const size_t len = find_byte(chunk, '\n');
        out = decode_piece(state, chunk.first(len), out);
        if (len == chunk.size())
            return out;
        state = {};
        chunk = chunk.subspan(len + 1);
    }
}

}  // namespace

size_t decode_line(std::span<const uint8_t> line, uint8_t* out)
{
    const auto content = line.first(find_byte(line, '\n'));
    const auto text = content.first(find_byte(content, '\0'));
    return static_cast<size_t>(decode_pairs(text, out) - out);
}

size_t decode_chunk(const kernel& k, decoder_state& state, std::span<const uint8_t> chunk, uint8_t* out)
{
    uint8_t* const start = out;
    // The vector kernels begin where no high digit is pending: at most one byte away.
    const size_t lead = state.pending_high ? std::min<size_t>(1, chunk.size()) : 0;
    out = decode_lines(state, chunk.first(lead), out);
    const block_progress bulk = k.decode_blocks(chunk.subspan(lead), out, state.skipping);
    out = decode_lines(state, chunk.subspan(lead + bulk.consumed), out + bulk.produced);
    return static_cast<size_t>(out - start);
}
