// The AVX-512 kernel's primitives, in Intel's intrinsics over whatever defines them: the compiler's
// <immintrin.h> in the kernel, a portable emulation in the tests, which so run this same code on
// any x86-64 CPU. Included inside a namespace, after blocks.hpp and block_loop.hpp.
//
// A block's digit values are found once, as it is loaded. The digits one byte on, which a pair's
// low digit comes from, are the block's and the next block's put together by VBMI's two-source
// byte permute; the pairs are packed together by VBMI2's byte compress.
namespace {

// digit_value of each byte, modulo 256: the byte less '0', or less 'a' - 10 for 'a' to 'z'. (A
// blend writes a register of its own, where a masked subtraction would overwrite its input.)
inline __m512i digit_values(__m512i c)
{
    const uint64_t lower = _mm512_cmplt_epu8_mask(_mm512_sub_epi8(c, _mm512_set1_epi8('a')), _mm512_set1_epi8(26));
    return _mm512_sub_epi8(c, _mm512_mask_blend_epi8(lower, _mm512_set1_epi8('0'), _mm512_set1_epi8('a' - 10)));
}

struct byte_tables {
    alignas(64) uint8_t one_on[block_size];  // 1 to 64: bytes 1 to 64 of two vectors side by side
    alignas(64) uint8_t times16[block_size];  // 16 times the low 4 bits of the place, modulo 256
};

inline constexpr byte_tables tables = [] {
    byte_tables t{};
    for (unsigned i = 0; i < block_size; ++i) {
        t.one_on[i] = static_cast<uint8_t>(i + 1);
        t.times16[i] = static_cast<uint8_t>(i << 4);
    }
    return t;
}();

inline __m512i one_on(__m512i first, __m512i second)
{
    return _mm512_permutex2var_epi8(first, _mm512_load_si512(tables.one_on), second);
}

// 16 times each byte, modulo 256: looked up by the byte's low 6 bits, of which only 4 count. (The
// zero-masking forms here, all lanes kept: GCC 12 warns of an uninitialized value in the plain ones.)
inline __m512i times16(__m512i v)
{
    return _mm512_maskz_permutexvar_epi8(~uint64_t{0}, v, _mm512_load_si512(tables.times16));
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
        return _mm512_cmplt_epu8_mask(b.bytes, _mm512_set1_epi8(11)) == 0;
    }

    // Each 16-bit lane adds 16 times its first digit to its second (no digit value reaches the
    // 16-bit limit), and its low byte is the pair.
    static void store_text(const block& b, uint8_t* out)
    {
        const __m512i sums = _mm512_maddubs_epi16(b.digits, _mm512_set1_epi16(0x0110));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_maskz_cvtepi16_epi8(~uint32_t{0}, sums));
    }

    // Byte i of the values is the pair that begins at byte i: 16 * high[i] + low[i], modulo 256.
    static uint8_t* store_pairs(const block& b, const block& next, uint64_t pairs, uint8_t* out)
    {
        const __m512i values = _mm512_add_epi8(times16(b.digits), one_on(b.digits, next.digits));
        _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(pairs, values));
        return out + std::popcount(pairs);
    }
};

}  // namespace
