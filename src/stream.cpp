#include "stream.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "decode.hpp"
#include "io.hpp"

namespace {

// Decoded in place, ahead of the input in the same buffer: before the input lies room for what
// an O_DIRECT output holds back (under one direct unit) and the gap decode_chunk needs.
constexpr size_t before_input = direct_unit - 1 + in_place_gap;
constexpr size_t input_at = (before_input + direct_unit - 1) / direct_unit * direct_unit;
static_assert(input_at % direct_unit == 0, "reads into the buffer stay aligned for O_DIRECT");

}  // namespace

stream_failure decode_stream(int in, int out, const kernel& k)
{
    widen_pipe(in);
    widen_pipe(out);
    const std::span<uint8_t> buffer = read_buffer(input_at + read_size);
    if (buffer.empty())
        return {"read buffer", errno};
    uint8_t* const output = buffer.data();
    // Never more at a time than read_size, whatever the page size made of the buffer.
    const std::span<uint8_t> input = buffer.subspan(input_at, read_size);
    // A file opened with O_DIRECT takes whole units only: the rest of a unit waits at the start
    // of the buffer for more, or for the end of the input.
    const size_t unit = writes_direct(out) ? direct_unit : 1;
    size_t held = 0;
    decoder_state state;
    stream_failure failure{};
    for (;;) {
        const ssize_t n = read_some(in, input);
        if (n <= 0) {
            if (n < 0)
                failure = {"read error", errno};
            break;
        }
        const size_t len = held + decode_chunk(k, state, input.first(static_cast<size_t>(n)), output + held);
        const size_t ready = len - len % unit;
        if (!write_all(out, {output, ready})) {
            failure = {"write error", errno};
            held = 0;
            break;
        }
        held = len - ready;
        std::memmove(output, output + ready, held);
    }
    // What a direct output held back is written whole, a read error or not.
    const bool written = held == 0 || (clear_direct(out) && write_all(out, {output, held}));
    if (!written && failure.what == nullptr)
        failure = {"write error", errno};
    std::free(buffer.data());
    // Some file systems report a failed write only when the file is closed.
    if (close(out) != 0 && errno != EBADF && failure.what == nullptr)
        failure = {"write error", errno};
    return failure;
}
