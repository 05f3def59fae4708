// dehex: decode the hexadecimal text on standard input into the bytes it spells on standard
// output. Arguments are ignored. Exits 0 at the end of input; on a read or write error, or with no
// memory for its read buffer, it says so in one line on standard error and exits 1.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io.hpp"
#include "stream.hpp"

namespace {

// Writes the line whole, through the path that waits out a full non-blocking standard error.
[[noreturn]] void fail(stream_failure f)
{
    char line[256];  // what is one of a few short words, and the system's reasons are short
    const int n = std::snprintf(line, sizeof line, "dehex: %s: %s\n", f.what, std::strerror(f.error));
    if (n > 0)
        write_all(STDERR_FILENO, {reinterpret_cast<const uint8_t*>(line), std::min(sizeof line - 1, static_cast<size_t>(n))});
    std::exit(1);
}

}  // namespace

int main()
{
    const stream_failure f = decode_stream(STDIN_FILENO, STDOUT_FILENO, best_kernel());
    if (f.what != nullptr)
        fail(f);
    return 0;
}
