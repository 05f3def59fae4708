// The portable kernel compiled for the NEON unit of 32-bit ARM, which compilers then vectorize
// for (Debian's armhf baseline, ARMv7 with VFPv3-D16, lacks it), with masks of its own; its
// primitives are in neon32.inc, which the tests also compile over an emulation of the intrinsics.
#include "prelude.hpp"

#if defined(__arm__) && defined(__ARMEL__)
#include <arm_neon.h>
#include <sys/auxv.h>

namespace neon32 {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0;
}

DEHEX_TARGET_BEGIN("fpu=neon")
#include "neon32.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace neon32

DEHEX_KERNEL(neon32);
#else
DEHEX_NO_KERNEL(neon32);
#endif
