// The benchmark's floor: dehex's input and output with no decoding. It widens the same pipes,
// reads into a buffer of the same size and kind, and writes in full half of each read, so that
// what dehex takes beyond it is the cost of decoding.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <span>

#include "io.hpp"

int main()
{
    widen_pipe(STDIN_FILENO);
    widen_pipe(STDOUT_FILENO);
    const std::span<uint8_t> input = read_buffer(read_size);
    if (input.empty()) {
        std::perror("floor");
        return 1;
    }
    for (;;) {
        const ssize_t n = read_some(STDIN_FILENO, input);
        if (n == 0)
            return 0;
        if (n < 0 || !write_all(STDOUT_FILENO, input.first(static_cast<size_t>(n) / 2))) {
            std::perror("floor");
            return 1;
        }
    }
}
