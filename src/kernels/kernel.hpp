// The decoding kernels: the portable one, which every CPU runs, and the vector kernels, each built
// only for the architecture whose instructions it uses and chosen only where the CPU has them.
#pragma once

#include <cstddef>

enum class kernel { scalar, ssse3, avx2, avx512, neon };

// The kernels built for this architecture, slowest first.
inline constexpr kernel all_kernels[] = {
    kernel::scalar,
#if defined(__x86_64__)
    kernel::ssse3, kernel::avx2, kernel::avx512,
#elif defined(__aarch64__)
    kernel::neon,
#endif
};

// A kernel stores whole vectors, so it may write this many bytes past what it decodes.
inline constexpr size_t kernel_overrun = 64;

const char* kernel_name(kernel k);

// Whether this CPU (and its operating system) can run kernel k.
bool kernel_supported(kernel k);

// The fastest kernel this CPU supports, or the one pinned when dehex was built.
kernel best_kernel();
