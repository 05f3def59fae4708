// Decodes the first BYTES of FILE (all of it by default) with the kernel named, in one chunk, and
// prints the kernel, the sizes, a checksum of the output, and where the first marker function was
// loaded, so that traced addresses can be matched with the executable's. The decoding lies between
// two calls of marker functions, which bench/foreign's qemu plugin watches for: it counts, or
// traces, the instructions run between them, and nothing of the reading, start-up or exit.
// Usage: decode_file KERNEL FILE [BYTES]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "decode.hpp"

extern "C" {
[[gnu::noinline]] void dehex_trace_on()
{
    asm volatile("");
}
[[gnu::noinline]] void dehex_trace_off()
{
    asm volatile("");
}
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: decode_file KERNEL FILE [BYTES]\n");
        return 2;
    }
    const kernel* chosen = choose_kernel(all_kernels(), argv[1]);
    if (chosen == nullptr) {
        std::fprintf(stderr, "decode_file: no kernel %s on this CPU\n", argv[1]);
        return 1;
    }
    std::ifstream f(argv[2], std::ios::binary);
    std::vector<uint8_t> text{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (argc > 3)
        text.resize(std::min(text.size(), static_cast<size_t>(std::strtoull(argv[3], nullptr, 10))));
    std::vector<uint8_t> out(decoded_capacity(text.size()));

    // Once before, so that what a kernel sets up on its first call (a table filled) is not counted.
    decoder_state first;
    decode_chunk(*chosen, first, text, out.data());
    decoder_state state;
    dehex_trace_on();
    const size_t n = decode_chunk(*chosen, state, text, out.data());
    dehex_trace_off();

    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum = sum * 31 + out[i];
    std::printf("%s %zu %zu %jx %jx\n", chosen->name, text.size(), n, static_cast<uintmax_t>(sum),
                static_cast<uintmax_t>(reinterpret_cast<uintptr_t>(&dehex_trace_on)));
}
