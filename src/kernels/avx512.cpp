// The AVX-512 kernel, for CPUs with VBMI and VBMI2: its primitives are in avx512_primitives.hpp.
#include "kernel.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_target.hpp"

namespace avx512 {

DEHEX_X86_KERNEL_BEGIN("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt,bmi,bmi2")
#include "block_loop.hpp"
#include "avx512_primitives.hpp"

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace avx512

DEHEX_KERNEL(avx512);
#else
DEHEX_NO_KERNEL(avx512);
#endif
