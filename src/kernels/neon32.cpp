// The portable kernel compiled for the NEON unit of 32-bit ARM, which compilers then vectorize
// for: Debian's armhf baseline (ARMv7 with VFPv3-D16) does not have it, so it is chosen where the
// kernel reports it.
#include "kernel.hpp"

#if defined(__arm__)
#include <sys/auxv.h>

namespace neon32 {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0;
}

}  // namespace neon32

#define DEHEX_PORTABLE_KERNEL neon32
#define DEHEX_PORTABLE_TARGET "fpu=neon"
#include "scalar.cpp"

DEHEX_KERNEL(neon32);
#else
DEHEX_NO_KERNEL(neon32);
#endif
