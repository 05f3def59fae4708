// The AArch64 NEON kernel's primitives and loop compiled again, over SIMDe's portable emulation of
// the intrinsics, as a kernel of the tests' own: so the tests and the fuzzer run that code on any
// x86-64 CPU, natively.
#include "kernels/prelude.hpp"

#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/arm/neon.h>

namespace neon_emulated {

#include "kernels/neon.inc"
#include "kernels/block_loop.inc"

}  // namespace neon_emulated

extern const kernel neon_emulated_kernel;
constinit const kernel neon_emulated_kernel{"neon_emulated", +[] { return true; }, neon_emulated::decode_blocks};
