// The SSSE3 kernel, for every x86-64 CPU from x86-64-v2 up; its primitives are in ssse3.inc. It
// asks for nothing past SSSE3 and POPCNT, not even BMI1, so the block bit logic here is built
// without it too. SSE4.1's blend would find the digits in no fewer instructions here (its legacy
// form takes its mask in xmm0), so the kernel does not ask for it.
#include "prelude.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include "x86_target.hpp"

namespace ssse3 {

DEHEX_X86_KERNEL_BEGIN("ssse3,popcnt")
#include "ssse3.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace ssse3

DEHEX_KERNEL(ssse3);
#else
DEHEX_NO_KERNEL(ssse3);
#endif
