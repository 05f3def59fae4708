// Single lines far longer than any buffer, streamed through pipes from a generator: the output
// is exact and the memory stays small whatever the length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "spawn.hpp"
#include "support.hpp"

namespace {

// Streams one line of `size` hex characters, a repeated pattern, then one odd character, and
// checks every output byte as it arrives.
void stream_one_line(uint64_t size)
{
    // An odd number of pairs, so that the pattern meets the read and block boundaries at
    // ever-changing places.
    byte_string pattern;
    for (uint32_t i = 0; pattern.size() < 2 * 99991; i = i * 1103515245 + 12345)
        pattern.push_back(static_cast<uint8_t>("0123456789abcdef"[(i >> 16) & 15]));
    const byte_string expected = decode_by_lines(pattern);

    uint64_t sent = 0;
    uint64_t received = 0;
    uint64_t wrong = 0;
    child c = spawn_dehex({});
    const outcome got = finish(
        c,
        [&](std::span<uint8_t> buf) {
            size_t n = 0;
            while (n < buf.size() && sent < size) {
                const size_t at = static_cast<size_t>(sent % pattern.size());
                const size_t k = static_cast<size_t>(
                    std::min<uint64_t>({buf.size() - n, pattern.size() - at, size - sent}));
                std::memcpy(buf.data() + n, pattern.data() + at, k);
                n += k;
                sent += k;
            }
            if (n == 0 && sent == size) {  // the odd character, which must be dropped
                buf[0] = 'f';
                n = 1;
                ++sent;
            }
            return n;
        },
        [&](std::span<const uint8_t> piece) {
            for (uint8_t b : piece)
                wrong += b != expected[static_cast<size_t>(received++ % expected.size())];
        });

    EXPECT_EQ(got.status, 0);
    EXPECT_EQ(got.err, "");
    EXPECT_EQ(received, size / 2);
    EXPECT_EQ(wrong, 0u);
    // The ceiling is dehex's. Under an emulator the child measured is the emulator, whose own
    // code and translation cache take far more than that, so it is checked in native builds.
#if !defined(DEHEX_SANITIZED) && !defined(DEHEX_EMULATOR)
    EXPECT_LE(got.peak_kib, 2048) << "peak memory in KiB";
#endif
    std::printf("%llu characters: peak memory %ld KiB\n", static_cast<unsigned long long>(size),
                got.peak_kib);
}

TEST(Scale, QuarterGibLineInLittleMemory)
{
    stream_one_line(uint64_t{256} << 20);
}

// Past 2^32 characters: no position or count may be 32 bits wide.
TEST(Scale, FiveGibLine)
{
    stream_one_line(uint64_t{5} << 30);
}

}  // namespace
