// The NEON kernel, for AArch64, where Advanced SIMD is always present: no target region. Its
// primitives are in neon.inc, which the tests also compile over an emulation of the intrinsics.
#include "prelude.hpp"

#if defined(__AARCH64EL__)
#include <arm_neon.h>

namespace neon {

bool supported()
{
    return true;
}

#include "neon.inc"
#include "block_loop.inc"

}  // namespace neon

DEHEX_KERNEL(neon);
#else
DEHEX_NO_KERNEL(neon);
#endif
