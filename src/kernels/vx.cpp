// The portable kernel (scalar.inc) compiled for the vector facility of IBM Z (z13 and later),
// which compilers then vectorize for: Debian's s390x baseline lacks it.
#include "prelude.hpp"

#if defined(__s390x__)
#include <sys/auxv.h>

namespace vx {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_S390_VX) != 0;
}

DEHEX_TARGET_BEGIN("arch=z13")
#include "scalar.inc"
#include "block_loop.inc"
DEHEX_TARGET_END

}  // namespace vx

DEHEX_KERNEL(vx);
#else
DEHEX_NO_KERNEL(vx);
#endif
