// The portable kernel compiled for the vector facility of IBM Z (z13 and later), which compilers
// then vectorize for: Debian's s390x baseline does not have it, so it is chosen where the kernel
// reports it.
#if defined(__s390x__)
#include <sys/auxv.h>

namespace vx {

bool supported()
{
    return (getauxval(AT_HWCAP) & HWCAP_S390_VX) != 0;
}

}  // namespace vx

// GCC for s390x inlines nothing across a change of target, not even the C++ library's span or
// memcpy: so all that follows, its headers included, is compiled for z13, and nothing of it runs
// before supported() has said yes.
#pragma GCC target("arch=z13")
#define DEHEX_PORTABLE_KERNEL vx
#include "scalar.cpp"

DEHEX_KERNEL(vx);
#else
#include "kernel.hpp"

DEHEX_NO_KERNEL(vx);
#endif
