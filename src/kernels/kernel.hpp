// The decoding kernels: the portable one, which every CPU runs, and the vector kernels, each built
// only for the architecture whose instructions it uses and chosen only where the CPU has them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// How far a kernel went: input bytes consumed, output bytes produced.
struct block_progress {
    size_t consumed;
    size_t produced;
};

// A kernel decodes the blocks at the start of `in` that a whole block follows. They start where
// no high digit is pending and leave none pending; `skipping` carries a NUL-ended line in and out.
// It produces at most half a block for each block it reads. What it stores for a block reaches at
// most kernel_overrun bytes past where that block's output starts, and is stored before the
// kernel reads the block after it for the last time (decode.hpp's in-place rule counts on both).
using decode_blocks_fn = block_progress(std::span<const uint8_t> in, uint8_t* out, bool& skipping);

inline constexpr size_t block_size = 64;
inline constexpr size_t kernel_overrun = 64;

struct kernel {
    const char* name;
    bool (*supported)();  // whether this CPU, and its operating system, run the kernel
    decode_blocks_fn* decode_blocks;
};

// Every kernel has a file of its own, src/kernels/NAME.cpp, and a name in DEHEX_KERNELS in
// CMakeLists.txt, from which the table is made. The file is built for every architecture: where
// its architecture condition holds it defines, in namespace NAME, `supported` and, by pasting its
// primitives and the block loop (prelude.hpp), `decode_blocks`, and ends with DEHEX_KERNEL(NAME);
// elsewhere it holds DEHEX_NO_KERNEL(NAME) alone.
#define DEHEX_KERNEL(name)            \
    extern const kernel name##_kernel; \
    constinit const kernel name##_kernel{#name, name::supported, name::decode_blocks}
#define DEHEX_NO_KERNEL(name)         \
    extern const kernel name##_kernel; \
    constinit const kernel name##_kernel{#name, nullptr, nullptr}

// The kernels built for this architecture, slowest first.
std::span<const kernel> all_kernels();

// The kernel named `pin`, or where `pin` is empty, the last (fastest) of `kernels` that this CPU
// supports. Null if there is no such kernel or this CPU cannot run it.
const kernel* choose_kernel(std::span<const kernel> kernels, std::string_view pin);

// The fastest kernel this CPU supports, or the one pinned when dehex was built. Where this CPU
// cannot run the pinned kernel, says so in one line on standard error and exits with status 1.
const kernel& best_kernel();
