// The AVX-512 kernel's primitives and loop compiled once more, over SIMDe's portable emulation of
// the intrinsics, as a kernel of the tests' own: so the tests and the fuzzer run that code on any
// x86-64 CPU, AVX-512 or not, natively, under valgrind and on qemu's CPU models.
#include "kernels/prelude.hpp"

// The emulated vectors pass by value between functions of this file alone, so the calling
// convention that a 512-bit vector would have on an AVX-512 CPU is of no matter.
#pragma GCC diagnostic ignored "-Wpsabi"
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/avx512.h>

namespace avx512_emulated {

// What the emulation lacks: VBMI2's byte compress, the bytes of `a` at the bits of `k`, in order,
// then zeros.
__m512i _mm512_maskz_compress_epi8(uint64_t k, __m512i a)
{
    uint8_t from[64], to[64] = {};
    _mm512_storeu_si512(from, a);
    for (unsigned n = 0; k != 0; k &= k - 1)
        to[n++] = from[std::countr_zero(k)];
    return _mm512_loadu_si512(to);
}

#include "kernels/avx512.inc"
#include "kernels/block_loop.inc"

}  // namespace avx512_emulated

extern const kernel avx512_emulated_kernel;
constinit const kernel avx512_emulated_kernel{"avx512_emulated", +[] { return true; }, avx512_emulated::decode_blocks};
