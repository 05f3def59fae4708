// The AVX-512 kernel, for x86-64 CPUs with AVX512BW, VBMI and VBMI2; its primitives are in
// avx512.inc, which the tests also compile over an emulation of the intrinsics.
#include "prelude.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include "x86_target.hpp"

namespace avx512 {

DEHEX_X86_KERNEL_BEGIN("avx512f,avx512bw,avx512vbmi,avx512vbmi2,popcnt,bmi,bmi2")
#include "avx512.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace avx512

DEHEX_KERNEL(avx512);
#else
DEHEX_NO_KERNEL(avx512);
#endif
