#include "kernel.hpp"

#include <algorithm>
#include <iterator>

#include "blocks.hpp"

const char* kernel_name(kernel k)
{
    switch (k) {
    case kernel::scalar: return "scalar";
    case kernel::ssse3: return "ssse3";
    case kernel::avx2: return "avx2";
    case kernel::avx512: return "avx512";
    case kernel::neon: return "neon";
    }
    return "unknown";
}

bool kernel_supported(kernel k)
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    // Every x86 vector kernel counts bits with popcnt; the wider ones use BMI1 and BMI2 too.
    const bool bits = __builtin_cpu_supports("popcnt");
    const bool bmi = bits && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    switch (k) {
    case kernel::scalar: return true;
    case kernel::ssse3: return bits && __builtin_cpu_supports("ssse3");
    case kernel::avx2: return bmi && __builtin_cpu_supports("avx2");
    case kernel::avx512:
        return bmi && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2");
    case kernel::neon: return false;
    }
    return false;
#elif defined(__aarch64__)
    // Advanced SIMD is part of every AArch64 CPU.
    return k == kernel::scalar || k == kernel::neon;
#else
    return k == kernel::scalar;
#endif
}

kernel best_kernel()
{
#ifdef DEHEX_PINNED_KERNEL
    if (kernel_supported(kernel::DEHEX_PINNED_KERNEL))
        return kernel::DEHEX_PINNED_KERNEL;
#endif
    const auto best = std::find_if(std::rbegin(all_kernels), std::rend(all_kernels), kernel_supported);
    return best != std::rend(all_kernels) ? *best : kernel::scalar;
}

block_progress decode_blocks(kernel k, std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    switch (k) {
    case kernel::scalar: return decode_blocks_scalar(in, out, skipping);
#if defined(__x86_64__)
    case kernel::ssse3: return decode_blocks_ssse3(in, out, skipping);
    case kernel::avx2: return decode_blocks_avx2(in, out, skipping);
    case kernel::avx512: return decode_blocks_avx512(in, out, skipping);
#endif
#if defined(__aarch64__)
    case kernel::neon: return decode_blocks_neon(in, out, skipping);
#endif
    default: break;
    }
    return {0, 0};
}
