// dehex's one loop: read standard input, decode, write standard output, until the input ends.
#pragma once

#include "kernels/kernel.hpp"

// Why a stream stopped short: what failed, in the words of dehex's message, and errno then.
struct stream_failure {
    const char* what;  // nullptr where the stream was decoded to its end
    int error;
};

// Reads `in` to its end, decodes what each read brings with kernel k, and writes it to `out`
// before the next read, which may wait; then closes `out`. Stops at the first error, the bytes
// written before it staying written.
stream_failure decode_stream(int in, int out, const kernel& k);
