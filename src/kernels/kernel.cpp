#include "kernel.hpp"

#include <cstring>

// Each kernel's file defines its entry point and, for a vector kernel, the check for what it needs.
namespace scalar { decode_blocks_fn decode_blocks; }
namespace ssse3 { bool supported(); decode_blocks_fn decode_blocks; }
namespace avx2 { bool supported(); decode_blocks_fn decode_blocks; }
namespace avx512 { bool supported(); decode_blocks_fn decode_blocks; }
namespace neon { decode_blocks_fn decode_blocks; }
namespace neon32 { bool supported(); decode_blocks_fn decode_blocks; }
namespace vx { bool supported(); decode_blocks_fn decode_blocks; }
namespace rvv { bool supported(); decode_blocks_fn decode_blocks; }

namespace {

bool always()
{
    return true;
}

constexpr kernel kernels[] = {
    {"scalar", always, scalar::decode_blocks},
#if defined(__x86_64__)
    {"ssse3", ssse3::supported, ssse3::decode_blocks},
    {"avx2", avx2::supported, avx2::decode_blocks},
    {"avx512", avx512::supported, avx512::decode_blocks},
#elif defined(__aarch64__)
    {"neon", always, neon::decode_blocks},  // Advanced SIMD is part of every AArch64 CPU
#elif defined(__arm__)
    {"neon32", neon32::supported, neon32::decode_blocks},
#elif defined(__s390x__)
    {"vx", vx::supported, vx::decode_blocks},
#elif defined(__riscv) && defined(__clang__) && __clang_major__ >= 18
    {"rvv", rvv::supported, rvv::decode_blocks},
#endif
};

}  // namespace

std::span<const kernel> all_kernels()
{
    return kernels;
}

const kernel& best_kernel()
{
#ifdef DEHEX_PINNED_KERNEL
    for (const kernel& k : kernels)
        if (std::strcmp(k.name, DEHEX_PINNED_KERNEL) == 0 && k.supported())
            return k;
#endif
    for (size_t i = std::size(kernels); i-- > 1;)
        if (kernels[i].supported())
            return kernels[i];
    return kernels[0];
}
