// The 32-bit ARM NEON kernel's primitives and loop compiled again, over SIMDe's portable emulation
// of the intrinsics, as a kernel of the tests' own: so the tests and the fuzzer run that code on
// any x86-64 CPU, natively.
#include "kernels/prelude.hpp"

#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/arm/neon.h>

namespace neon32_emulated {

#include "kernels/neon32.inc"
#include "kernels/block_loop.inc"

}  // namespace neon32_emulated

extern const kernel neon32_emulated_kernel;
constinit const kernel neon32_emulated_kernel{"neon32_emulated", +[] { return true; }, neon32_emulated::decode_blocks};
