// The AVX-512 kernel's primitives, in Intel's intrinsics over whatever defines them: the compiler's
// <immintrin.h> in the kernel, a portable emulation in the tests, which so run this same code on
// any x86-64 CPU. Included inside a namespace, after blocks.hpp and block_loop.hpp.
//
// A block's digit values are found once, as it is loaded. The digits one byte on, which a pair's
// low digit comes from, are the block's and the next block's put together by VBMI's two-source
// byte permute; the pairs are packed together by VBMI2's byte compress.
namespace {

// digit_value of each byte, modulo 256: the byte less '0', or less 'a' - 10 for 'a' to 'z'.
inline __m512i digit_values(__m512i c)
{
    const uint64_t lower = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(c, _mm512_set1_epi8('a')), _mm512_set1_epi8(26));
    const __m512i from_zero = _mm512_sub_epi8(c, _mm512_set1_epi8('0'));
    return _mm512_mask_sub_epi8(from_zero, lower, from_zero, _mm512_set1_epi8('a' - 10 - '0'));
}

// Bytes 1 to 64 of `first` and `second` side by side.
inline __m512i one_on(__m512i first, __m512i second)
{
    alignas(64) static constexpr uint8_t index[block_size] = {
        1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
        23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44,
        45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64};
    return _mm512_permutex2var_epi8(first, _mm512_load_si512(index), second);
}

struct primitives {
    static constexpr bool text_at_every_block = false;

    struct block {
        __m512i bytes;
        __m512i digits;
    };

    static block load(const uint8_t* p)
    {
        const __m512i bytes = _mm512_loadu_si512(p);
        return {bytes, digit_values(bytes)};
    }

    static line_marks marks(const block& b)
    {
        return {_mm512_cmpeq_epi8_mask(b.bytes, _mm512_set1_epi8('\n')),
                _mm512_cmpeq_epi8_mask(b.bytes, _mm512_setzero_si512())};
    }

    static bool plain(const block& b)
    {
        const line_marks m = marks(b);
        return (m.lf | m.nul) == 0;
    }

    // Each 16-bit lane adds 16 times its first digit to its second (no digit value reaches the
    // 16-bit limit), and its low byte is the pair.
    static void store_text(const block& b, const block& next, bool odd, uint8_t* out)
    {
        const __m512i sums = _mm512_maddubs_epi16(odd ? one_on(b.digits, next.digits) : b.digits, _mm512_set1_epi16(0x0110));
        // The zero-masking form, all lanes kept: GCC 12 warns of an uninitialized value in the plain one.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_maskz_cvtepi16_epi8(~uint32_t{0}, sums));
    }

    // Byte i of the values is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
    static uint8_t* store_pairs(const block& b, const block& next, uint64_t pairs, uint8_t* out)
    {
        const __m512i high = _mm512_and_si512(_mm512_slli_epi16(b.digits, 4), _mm512_set1_epi8(static_cast<char>(0xF0)));
        const __m512i values = _mm512_add_epi8(high, one_on(b.digits, next.digits));
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(pairs, values));
        return out + std::popcount(pairs);
    }
};

}  // namespace
