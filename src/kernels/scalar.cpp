// The portable kernel, for every CPU, any word size, either byte order; its primitives are in
// scalar.inc, which the kernels of vx.cpp and rvv.cpp compile for vector units too.
#include "prelude.hpp"

namespace scalar {

bool supported()
{
    return true;
}

#include "scalar.inc"
#include "block_loop.inc"

}  // namespace scalar

DEHEX_KERNEL(scalar);
