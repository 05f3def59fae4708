#include "kernel.hpp"

#include <initializer_list>

const char* kernel_name(kernel k)
{
    switch (k) {
    case kernel::scalar: return "scalar";
    case kernel::avx2: return "avx2";
    case kernel::avx512: return "avx512";
    }
    return "unknown";
}

bool kernel_supported(kernel k)
{
    __builtin_cpu_init();
    const bool bits = __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi2");
    switch (k) {
    case kernel::scalar: return true;
    case kernel::avx2: return bits && __builtin_cpu_supports("avx2");
    case kernel::avx512:
        return bits && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2");
    }
    return false;
}

kernel best_kernel()
{
#ifdef DEHEX_PINNED_KERNEL
    if (kernel_supported(kernel::DEHEX_PINNED_KERNEL))
        return kernel::DEHEX_PINNED_KERNEL;
#endif
    for (kernel k : {kernel::avx512, kernel::avx2})
        if (kernel_supported(k))
            return k;
    return kernel::scalar;
}
