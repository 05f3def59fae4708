// For kernel_test.cpp alone, until it includes the kernel files it tests by their own names: see
// blocks.hpp here. The word masks are in scalar.inc, with the portable primitives, which the loop
// uses (so that no function of theirs is left unused).
#include "../../src/kernels/scalar.inc"
#include "../../src/kernels/block_loop.inc"
