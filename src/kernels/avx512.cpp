// The AVX-512 kernel: masks straight from byte compares, and the pairs packed together with
// VBMI2's byte compress.
#include "kernel.hpp"

#if defined(__x86_64__)
#include <immintrin.h>

#include <bit>

#include "blocks.hpp"
#include "x86_target.hpp"

namespace avx512 {

DEHEX_X86_KERNEL_BEGIN("avx512f,avx512bw,avx512vbmi2,popcnt,bmi,bmi2")
#include "block_loop.hpp"

namespace {

// digit_value of each byte, modulo 256.
__m512i digit_values(__m512i c)
{
    const __mmask64 lower = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(c, _mm512_set1_epi8('a')), _mm512_set1_epi8(26));
    const __m512i from_zero = _mm512_sub_epi8(c, _mm512_set1_epi8('0'));
    return _mm512_mask_sub_epi8(from_zero, lower, from_zero, _mm512_set1_epi8('a' - 10 - '0'));
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    struct block {
        const uint8_t* p;
        __m512i bytes;
    };

    static block load(const uint8_t* p) { return {p, _mm512_loadu_si512(p)}; }

    static line_marks marks(const block& b)
    {
        return {_mm512_cmpeq_epi8_mask(b.bytes, _mm512_set1_epi8('\n')), _mm512_testn_epi8_mask(b.bytes, b.bytes)};
    }

    // Each 16-bit lane adds 16 times its first digit to its second (no digit value reaches the
    // 16-bit limit), and its low byte is the pair.
    static void store_text(const block& b, const block&, bool odd, uint8_t* out)
    {
        const __m512i sums = _mm512_maddubs_epi16(digit_values(_mm512_loadu_si512(b.p + odd)), _mm512_set1_epi16(0x0110));
        // The zero-masking form, all lanes kept: GCC 12 warns of an uninitialized value in the plain one.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_maskz_cvtepi16_epi8(~__mmask32{0}, sums));
    }

    // Byte i of the values is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
    static uint8_t* store_pairs(const block& b, const block&, uint64_t pairs, uint8_t* out)
    {
        const __m512i high = _mm512_and_si512(_mm512_slli_epi16(digit_values(b.bytes), 4), _mm512_set1_epi8(static_cast<char>(0xF0)));
        const __m512i values = _mm512_add_epi8(high, digit_values(_mm512_loadu_si512(b.p + 1)));
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(pairs, values));
        return out + std::popcount(pairs);
    }
};

}  // namespace

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives>(in, out, skipping);
}

DEHEX_TARGET_END

}  // namespace avx512

DEHEX_KERNEL(avx512);
#else
DEHEX_NO_KERNEL(avx512);
#endif
