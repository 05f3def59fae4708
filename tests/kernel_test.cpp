// Every kernel against the line rule: all character pairs, every way out of a long run of text
// at every offset of a block and of a chunk, and random streams split at random points.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <type_traits>

#include "kernels/prelude.hpp"
#include "support.hpp"

// The portable kernel's files, pasted here as into a kernel: its word masks and the block bit logic.
namespace portable_copy {
#include "kernels/scalar.inc"
#include "kernels/block_loop.inc"
}  // namespace portable_copy

using portable_copy::block_carry;
using portable_copy::is_text;
using portable_copy::low_digit_pending;
using portable_copy::pair_starts;
using portable_copy::swar_masks;

namespace {

// Every byte value from 12 up, from the `from`th on, so that every digit value is met and no byte
// lets the loop stop but one placed among them.
byte_string text(size_t n, size_t from = 0)
{
    byte_string t;
    for (size_t i = from; i < from + n; ++i)
        t.push_back(static_cast<uint8_t>(12 + (i * 97) % 244));
    return t;
}

class KernelTest : public testing::TestWithParam<kernel> {
protected:
    void SetUp() override
    {
        if (!GetParam().supported())
            GTEST_SKIP() << "this CPU cannot run the " << GetParam().name << " kernel";
    }
};

TEST_P(KernelTest, DecodesEveryCharacterPair)
{
    // One long line of every pair that can stand on a line, starting on an even and on an odd
    // offset of the blocks.
    for (const char* lead : {"", "\n"}) {
        byte_string input = bytes(lead);
        byte_string expected;
        for (unsigned high = 0; high < 256; ++high) {
            for (unsigned low = 0; low < 256; ++low) {
                if (!is_text(static_cast<uint8_t>(high)) || !is_text(static_cast<uint8_t>(low)))
                    continue;
                input.push_back(static_cast<uint8_t>(high));
                input.push_back(static_cast<uint8_t>(low));
                expected.push_back(decode_pair(static_cast<uint8_t>(high), static_cast<uint8_t>(low)));
            }
        }
        EXPECT_EQ(decode_in_chunks(GetParam(), input), expected) << "lead " << testing::PrintToString(lead);
    }
}

TEST_P(KernelTest, RandomStreamsSplitAnywhere)
{
    std::mt19937_64 rng(20261208);
    for (int round = 0; round < 2000; ++round) {
        const size_t size = std::uniform_int_distribution<size_t>(0, round % 10 == 0 ? 40000 : 700)(rng);
        const byte_string input = random_text(rng, size);
        const std::vector<size_t> cuts = random_cuts(rng, input.size());
        const placement where = round % 2 ? placement::in_place : placement::apart;
        ASSERT_EQ(decode_in_chunks(GetParam(), input, cuts, where), decode_by_lines(input))
            << "round " << round << ", " << input.size() << " bytes, " << cuts.size() << " cuts"
            << (where == placement::in_place ? ", in place" : "");
    }
}

TEST_P(KernelTest, LongRunEndedAtEveryOffset)
{
    // A line of text long enough that the loop decodes it a block at a time (at the latest after
    // a stretch of 16 blocks of text), its pairs at even or odd bytes; then, at each offset of the
    // two blocks after it, the byte that ends it or lets it go on, or the end of the input. The
    // line that follows holds a whole block that a NUL skips; then come short lines, more than
    // four in a block, and a last line with no line feed. Each input is decoded whole,
    // and cut where the run ends and again two blocks on, or a block after it ends, apart and in
    // place: so a chunk ends at every offset of a block, and the loop at every kind of byte.
    using namespace std::literals;
    constexpr size_t blocks_per_stretch = 16;
    const struct {
        const char* name;
        std::string_view before;
        size_t blocks;  // up to the first block the ending is placed in
    } runs[] = {
        {"begun on an even byte", ""sv, 20},
        {"begun on an odd byte", "\n"sv, 20},
        {"even, to a stretch's end and past it", ""sv, 2 * blocks_per_stretch - 1},
        {"odd, to a stretch's end and past it", "\n"sv, 2 * blocks_per_stretch - 1},
    };
    const struct {
        const char* name;
        std::string_view byte;
    } endings[] = {
        {"a line feed", "\n"sv},
        {"a NUL", "\0"sv},
        {"a tab", "\t"sv},
        {"0x0b", "\x0b"sv},
        {"the end of the input", ""sv},
    };
    byte_string after = text(2 * block_size + 22);
    for (const uint8_t c : "\nab\nc\n\n0123\nd\nef\n4\n"sv)
        after.push_back(c);
    const byte_string last_line = text(200);
    after.insert(after.end(), last_line.begin(), last_line.end());

    for (const auto& run : runs) {
        for (const auto& ending : endings) {
            for (size_t at = run.blocks * block_size; at < (run.blocks + 2) * block_size; ++at) {
                byte_string input = bytes(run.before);
                const byte_string line = text(at - input.size());
                input.insert(input.end(), line.begin(), line.end());
                if (!ending.byte.empty()) {
                    input.insert(input.end(), ending.byte.begin(), ending.byte.end());
                    input.insert(input.end(), after.begin(), after.end());
                }
                const byte_string expected = decode_by_lines(input);
                const size_t at_the_end[] = {at, 2 * block_size}, a_block_on[] = {at + block_size};
                const auto where = [&](const char* how) {
                    return testing::Message() << run.name << ", " << ending.name << " at " << at << ", " << how;
                };
                ASSERT_EQ(decode_in_chunks(GetParam(), input), expected) << where("whole");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, {}, placement::in_place), expected) << where("in place");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, at_the_end), expected) << where("cut there and two blocks on");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, a_block_on, placement::in_place), expected)
                    << where("cut a block on, in place");
            }
        }
    }
}

TEST_P(KernelTest, PeriodBrokenAtEveryOffset)
{
    // Lines of one length, long enough for the loop to find their period and decode by it; then,
    // at each offset of two blocks and of a whole line after that, what breaks the period; then
    // lines of the same length again. Each input is decoded whole, and cut at the break and two
    // blocks on, apart and in place.
    using namespace std::literals;
    constexpr size_t break_from = 36 * block_size;
    const struct {
        size_t length;  // with its ending
        std::string_view ending;
    } periods[] = {
        {1, "\n"sv}, {2, "\n"sv}, {3, "\n"sv}, {8, "\n"sv}, {61, "\n"sv}, {64, "\n"sv},
        {65, "\n"sv}, {34, "\r\n"sv}, {75, "  name\n"sv}, {257, "\n"sv},
    };
    const struct {
        const char* name;
        std::string_view put;  // put in at the offset
        size_t taken;          // bytes taken out there first
    } breaks[] = {
        {"a NUL", "\0"sv, 0},        {"a line feed", "\n"sv, 0}, {"a byte more", "x"sv, 0},
        {"a byte less", ""sv, 1},   {"a line feed less", ""sv, 0}, {"a NUL for a byte", "\0"sv, 1},
    };
    for (const auto& period : periods) {
        byte_string lines;
        for (size_t n = 0; lines.size() < break_from + 4 * block_size + 2 * period.length; ++n) {
            const byte_string line = text(period.length - period.ending.size(), n * 7);
            lines.insert(lines.end(), line.begin(), line.end());
            lines.insert(lines.end(), period.ending.begin(), period.ending.end());
        }
        const size_t window = std::max(2 * block_size, period.length);
        for (const auto& broken : breaks) {
            for (size_t at = break_from; at < break_from + window; ++at) {
                byte_string input = lines;
                if (broken.name == "a line feed less"sv) {
                    // The line feed at or after the offset, so that two lines become one.
                    const auto lf = std::find(input.begin() + static_cast<ptrdiff_t>(at), input.end(), '\n');
                    input.erase(lf);
                } else {
                    input.erase(input.begin() + static_cast<ptrdiff_t>(at),
                                input.begin() + static_cast<ptrdiff_t>(at + broken.taken));
                    input.insert(input.begin() + static_cast<ptrdiff_t>(at), broken.put.begin(), broken.put.end());
                }
                const byte_string expected = decode_by_lines(input);
                const size_t cuts[] = {at, 2 * block_size};
                const auto where = [&](const char* how) {
                    return testing::Message() << "lines of " << period.length << ", " << broken.name << " at " << at
                                              << ", " << how;
                };
                ASSERT_EQ(decode_in_chunks(GetParam(), input), expected) << where("whole");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, {}, placement::in_place), expected) << where("in place");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, cuts), expected) << where("cut there and two blocks on");
                ASSERT_EQ(decode_in_chunks(GetParam(), input, cuts, placement::in_place), expected)
                    << where("cut there and two blocks on, in place");
            }
        }
        // The input's end at every offset: a last block of the period, or a last line cut short.
        for (size_t size = break_from; size < break_from + window; ++size) {
            const std::span<const uint8_t> input(lines.data(), size);
            ASSERT_EQ(decode_in_chunks(GetParam(), input), decode_by_lines(input)) << "lines of " << period.length
                                                                                   << ", ended at " << size;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, KernelTest, testing::ValuesIn(kernels_under_test()),
                         [](const auto& info) { return std::string(info.param.name); });

// CPU detection picks a kernel this CPU runs, and the fastest listed one that it runs, or where
// the build is pinned, the pinned one; where the environment names the kernel that this CPU must
// get (as CI does on emulated CPU models), it is that one.
TEST(BestKernel, IsTheOneExpected)
{
    const kernel& chosen = best_kernel();
    std::printf("best kernel: %s\n", chosen.name);
    EXPECT_TRUE(chosen.supported());
#ifdef DEHEX_PINNED_KERNEL
    EXPECT_STREQ(chosen.name, DEHEX_PINNED_KERNEL);
#else
    const auto all = all_kernels();
    const auto fastest = std::find_if(all.rbegin(), all.rend(), [](const kernel& k) { return k.supported(); });
    ASSERT_NE(fastest, all.rend());
    EXPECT_EQ(&*fastest, &chosen) << fastest->name << " is the fastest kernel this CPU runs";
#endif
    if (const char* expected = std::getenv("DEHEX_EXPECT_KERNEL")) {
        EXPECT_STREQ(chosen.name, expected);
    }
}

// A pin takes effect where the CPU runs the kernel named, and is refused, never swapped for another
// kernel, where it doesn't or where no kernel has that name: in a made-up table whose fastest
// kernel this CPU lacks, and in the real one.
TEST(ChooseKernel, TakesThePinOrRefusesIt)
{
    const kernel made_up[] = {{"slow", +[] { return true; }, nullptr},
                              {"fast", +[] { return true; }, nullptr},
                              {"fastest", +[] { return false; }, nullptr}};
    const struct {
        std::string_view pin;
        const char* chosen;
    } cases[] = {{"", "fast"}, {"slow", "slow"}, {"fast", "fast"}, {"fastest", nullptr}, {"fas", nullptr}, {"sse9", nullptr}};
    for (const auto& c : cases) {
        const kernel* k = choose_kernel(made_up, c.pin);
        EXPECT_STREQ(k ? k->name : nullptr, c.chosen) << "pin " << testing::PrintToString(c.pin);
    }
    for (const kernel& k : all_kernels())
        EXPECT_EQ(choose_kernel(all_kernels(), k.name), k.supported() ? &k : nullptr) << k.name;
}

// The word-at-a-time masks against a byte walk, on blocks crowded with the bytes that a looser
// zero test mistakes for the one sought: its neighbours, and the same with the top bit set.
TEST(WordMasks, MatchAByteWalk)
{
    std::mt19937_64 rng(64);
    alignas(8) uint8_t storage[block_size + 8];
    for (int round = 0; round < 20000; ++round) {
        const uint8_t sought = round % 3 == 0 ? '\n' : round % 3 == 1 ? 0 : static_cast<uint8_t>(rng());
        const uint8_t near[] = {sought,
                                static_cast<uint8_t>(sought ^ 0x80),
                                static_cast<uint8_t>(sought + 1),
                                static_cast<uint8_t>(sought - 1),
                                static_cast<uint8_t>(sought ^ 0x01),
                                static_cast<uint8_t>(sought ^ 0x7f),
                                0xff,
                                0x00};
        // Unaligned too: the kernel loads words wherever a chunk's blocks fall.
        uint8_t* block = storage + round % 8;
        const int density = static_cast<int>(rng() % 4);
        uint64_t expected = 0;
        bool has_zero = false, has_control = false;
        for (size_t i = 0; i < block_size; ++i) {
            const uint64_t r = rng();
            block[i] = (r & 3) <= static_cast<uint64_t>(density) ? near[(r >> 2) % std::size(near)]
                                                                 : static_cast<uint8_t>(r >> 8);
            expected |= uint64_t{block[i] == sought} << i;
            has_zero |= block[i] == 0;
            has_control |= block[i] < 11;
        }
        ASSERT_EQ(swar_masks::byte_mask(block, sought), expected) << "round " << round << ", byte " << int{sought};
        ASSERT_EQ(swar_masks::has_zero(block), has_zero) << "round " << round;
        ASSERT_EQ(swar_masks::has_less_than(block, 11), has_control) << "round " << round;
    }
}

// The block bit logic against a byte-by-byte walk through the same block.
TEST(PeriodPlaces, AgreeWithTheLineWay)
{
    // Every place in lines of 1 to 300 bytes and of the longest lengths: its line feeds by a
    // walk; its pair starts, and the carry it hands on, by the line way's own bit logic, from
    // the carry of its place; its lists by its pair starts.
    std::vector<size_t> lengths;
    for (size_t length = 1; length <= 300; ++length)
        lengths.push_back(length);
    for (size_t length = longest_period - 24; length <= longest_period; ++length)
        lengths.push_back(length);
    for (const size_t length : lengths) {
        for (size_t r = 0; r < length; ++r) {
            const size_t next_r = (r + block_size) % length;
            period_place place, after;
            fill_place(place, length, r, &after);
            fill_place(after, length, next_r, nullptr);
            uint64_t lf = 0;
            for (size_t i = 0; i < block_size; ++i)
                lf |= uint64_t{(r + i) % length == length - 1} << i;
            block_carry carry = portable_copy::carry_at(r);
            const uint64_t pairs = pair_starts(lf, 0, after.lf, carry);
            const auto where = [&] { return testing::Message() << "lines of " << length << ", place " << r; };
            ASSERT_EQ(place.lf, lf) << where();
            ASSERT_EQ(place.pairs, pairs) << where();
            ASSERT_TRUE(portable_copy::carries_alike(carry, portable_copy::carry_at(next_r))) << where();
            ASSERT_EQ(place.next, &after) << where();
            unsigned n = 0;
            for (size_t i = 0; i < block_size; ++i) {
                ASSERT_EQ(place.lf_bytes[i], (lf >> i) & 1 ? 0xFF : 0) << where() << ", byte " << i;
                if ((pairs >> i) & 1) {
                    ASSERT_EQ(place.pair_digits[2 * n], i) << where();
                    ASSERT_EQ(place.pair_digits[2 * n + 1], i + 1) << where();
                    ASSERT_EQ(place.starts[n++], i) << where();
                }
                if (i % 16 == 15) {
                    ASSERT_EQ(place.ends[i / 16], n) << where();
                }
            }
            for (size_t part = 0; part < 4; ++part) {
                const unsigned before = part == 0 ? 0 : place.ends[part - 1];
                for (unsigned k = 0; k < 16; ++k) {
                    const bool listed = before + k < place.ends[part];
                    ASSERT_EQ(place.order[part][k], listed ? place.starts[before + k] - 16 * part : 0xFF) << where();
                }
            }
            for (size_t k = n; k < block_size / 2; ++k)
                ASSERT_EQ(place.starts[k], 0xFF) << where();
        }
    }
}

TEST(PairStarts, MatchesAWalkThroughTheBlock)
{
    std::mt19937_64 rng(7);
    for (int round = 0; round < 100000; ++round) {
        // Sparse and dense line feeds and NULs, never both on one byte, and blocks with no NUL.
        const uint64_t lf = rng() & rng() & (round % 2 ? rng() : ~uint64_t{0});
        const uint64_t nul = round % 4 == 0 ? 0 : rng() & rng() & rng() & ~lf;
        const bool next_is_text = rng() & 1;
        // A line that goes on into the block is skipped, or has its last byte as a high digit or
        // as a low one.
        const bool skipping_in = rng() & 1;
        const bool text_last_in = !skipping_in && (rng() & 1);
        const block_carry in{skipping_in, text_last_in ? rng() | uint64_t{1} << 63 : rng() >> 1,
                             text_last_in && (rng() & 1)};

        bool skipping = in.skipping;
        bool high_waiting = low_digit_pending(in);
        uint64_t expected = 0;
        for (int i = 0; i < 64; ++i) {
            const bool is_lf = (lf >> i) & 1;
            const bool is_nul = (nul >> i) & 1;
            if (is_lf) {
                skipping = high_waiting = false;
            } else if (is_nul || skipping) {
                skipping = true;
                high_waiting = false;
            } else if (high_waiting) {
                expected |= i > 0 ? uint64_t{1} << (i - 1) : 0;  // byte 0 ends a pair of the block before
                high_waiting = false;
            } else {
                high_waiting = true;
            }
        }
        if (high_waiting && next_is_text)
            expected |= uint64_t{1} << 63;
        const bool text_last = !((lf | nul) >> 63) && !skipping;

        block_carry carry = in;
        // Only bit 0 of the next block's marks counts.
        const uint64_t next_marks = (rng() & ~uint64_t{1}) | !next_is_text;
        ASSERT_EQ(pair_starts(lf, nul, next_marks, carry), expected) << "round " << round;
        EXPECT_EQ(carry.skipping, uint64_t{skipping});
        EXPECT_EQ(carry.text >> 63, uint64_t{text_last});
        EXPECT_EQ(carry.next_high, uint64_t{text_last && !high_waiting});
    }
}

}  // namespace
