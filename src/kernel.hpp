// The decoding kernels: the scalar code, which is the reference, and the vector kernels, each
// chosen only where the CPU has its instructions.
#pragma once

#include <cstddef>

enum class kernel { scalar, avx2, avx512 };

inline constexpr kernel all_kernels[] = {kernel::scalar, kernel::avx2, kernel::avx512};

// A vector kernel stores whole vectors, so it may write this many bytes past what it decodes.
inline constexpr size_t kernel_overrun = 64;

const char* kernel_name(kernel k);

// Whether this CPU (and its operating system) can run kernel k.
bool kernel_supported(kernel k);

// The fastest kernel this CPU supports, or the one pinned when dehex was built.
kernel best_kernel();
