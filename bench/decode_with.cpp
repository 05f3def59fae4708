// dehex's own loop with any kernel: `decode_with KERNEL < in > out` decodes as dehex does with
// that kernel, and `decode_with floor` runs the same loop, reads, pipe widening, in-place buffer
// and full writes of half of what it read, with no decoding at all, the yardstick that
// bench/run measures decoding against. With no argument it lists the kernels this CPU runs.
#include <cstdio>
#include <cstring>
#include <span>

#include "stream.hpp"

namespace {

// The floor's step: it consumes every byte and makes half as many, leaving them as they are.
block_progress no_decoding(std::span<const uint8_t> in, uint8_t*, bool&)
{
    return {in.size(), in.size() / 2};
}

bool always()
{
    return true;
}

constexpr kernel floor_step{"floor", always, no_decoding};

const kernel* named(const char* name)
{
    return std::strcmp(name, floor_step.name) == 0 ? &floor_step : choose_kernel(all_kernels(), name);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 1) {
        for (const kernel& k : all_kernels())
            if (k.supported())
                std::puts(k.name);
        return 0;
    }
    const kernel* k = argc == 2 ? named(argv[1]) : nullptr;
    if (k == nullptr) {
        std::fprintf(stderr, "usage: decode_with KERNEL|floor < in > out, KERNEL one that this CPU runs\n");
        return 2;
    }
    const stream_failure f = decode_stream(0, 1, *k);
    if (f.what != nullptr) {
        std::fprintf(stderr, "decode_with: %s: %s\n", f.what, std::strerror(f.error));
        return 1;
    }
    return 0;
}
