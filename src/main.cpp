// dehex: decode the hexadecimal text on standard input into the bytes it spells on standard
// output. Arguments are ignored. Exits 0 at the end of input; on a read or write error it says
// so in one line on standard error and exits 1.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>

#include "decode.hpp"
#include "io.hpp"

namespace {

// Writes the line whole, through the path that waits out a full non-blocking standard error.
[[noreturn]] void fail(const char* what)
{
    const int err = errno;
    char line[256];  // what is one of main's few words, and the system's reasons are short
    const int n = std::snprintf(line, sizeof line, "dehex: %s: %s\n", what, std::strerror(err));
    if (n > 0)
        write_all(STDERR_FILENO, {reinterpret_cast<const uint8_t*>(line), static_cast<size_t>(n)});
    std::exit(1);
}

// What one read decodes to, after up to a direct unit held back from the reads before; static, so
// that dehex needs no allocator but for its read buffer, and aligned as O_DIRECT needs.
alignas(direct_unit) uint8_t output[direct_unit + decoded_capacity(read_size)];

}  // namespace

int main()
{
    widen_pipe(STDIN_FILENO);
    widen_pipe(STDOUT_FILENO);
    const std::span<uint8_t> buffer = read_buffer(read_size);
    if (buffer.empty())
        fail("read buffer");
    // Never more at a time than `output` has room for, whatever the page size.
    const std::span<uint8_t> input = buffer.first(read_size);
    const kernel& k = best_kernel();
    // A file opened with O_DIRECT takes whole units only: the rest of a unit waits in `output`
    // for more, or for the end of the input.
    const size_t unit = writes_direct(STDOUT_FILENO) ? direct_unit : 1;
    size_t held = 0;
    decoder_state state;
    for (;;) {
        // Whatever was read is decoded and written before the next read, which may wait.
        const ssize_t n = read_some(STDIN_FILENO, input);
        if (n == 0)
            break;
        if (n < 0)
            fail("read error");
        const std::span<const uint8_t> chunk = input.first(static_cast<size_t>(n));
        const size_t len = held + decode_chunk(k, state, chunk, output + held);
        const size_t ready = len - len % unit;
        if (!write_all(STDOUT_FILENO, {output, ready}))
            fail("write error");
        held = len - ready;
        std::memmove(output, output + ready, held);
    }
    std::free(input.data());
    if (held > 0 && (!clear_direct(STDOUT_FILENO) || !write_all(STDOUT_FILENO, {output, held})))
        fail("write error");
    // Some file systems report a failed write only when the file is closed.
    if (close(STDOUT_FILENO) != 0 && errno != EBADF)
        fail("write error");
    return 0;
}
