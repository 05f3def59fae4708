// The AVX2 kernel, for x86-64 CPUs with AVX2, BMI1, BMI2 and POPCNT; its primitives are in
// avx2.inc. They use nothing that the CPUs it is chosen for run from microcode: no pext or pdep
// (AMD before Zen 3), and no vperm2i128 or vpermq (Zen 1: 8 and 3 macro-ops); the lanes are
// crossed by an extract and an insert instead.
#include "prelude.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include "x86_target.hpp"

namespace avx2 {

DEHEX_X86_KERNEL_BEGIN("avx2,popcnt,bmi,bmi2")
#include "avx2.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace avx2

DEHEX_KERNEL(avx2);
#else
DEHEX_NO_KERNEL(avx2);
#endif
