// The digit, pair and line rules, case by case.
#include <gtest/gtest.h>

#include <string_view>

#include "decode.hpp"
#include "support.hpp"

using namespace std::string_view_literals;

TEST(DigitValue, EveryKindOfByteHasAValue)
{
    const struct {
        uint8_t c;
        int value;
    } cases[] = {
        {'0', 0},  {'9', 9},   {'a', 10},   {'f', 15},   {'g', 16},   {'z', 35},
        {'A', 17}, {'F', 22},  {'Z', 42},   {' ', -16},  {'\r', -35}, {'\0', -48},
        {'/', -1}, {'`', 48},  {'{', 75},   {0x80, 80},  {0xFF, 207},
    };
    for (const auto& c : cases)
        EXPECT_EQ(digit_value(c.c), c.value) << "byte " << int{c.c};
}

TEST(DecodePair, HighDigitTimesSixteenPlusLowModulo256)
{
    const struct {
        uint8_t high, low, byte;
    } cases[] = {
        {'4', '1', 0x41}, {'f', 'f', 0xFF}, {'0', '0', 0x00}, {'F', 'F', 0x76},
        {'z', 'z', 0x53}, {'g', '0', 0x00}, {' ', ' ', 0xF0}, {0xFF, 0xFF, 0xBF},
        {'4', '\r', 0x1D}, {'c', 'a', 0xCA},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decode_pair(c.high, c.low), c.byte) << int{c.high} << " " << int{c.low};
}

// A text and the bytes it decodes to.
struct text_case {
    std::string_view input, decoded;
};

TEST(DecodeLine, PairsUpToTheLineFeedOrNul)
{
    const text_case cases[] = {
        {"cafe"sv, "\xCA\xFE"sv},
        {"ff"sv, "\xFF"sv},
        {"00"sv, "\x00"sv},
        {"0a"sv, "\x0A"sv},
        {""sv, ""sv},
        {"FF"sv, "\x76"sv},
        {"zz"sv, "\x53"sv},
        {"g0"sv, "\x00"sv},
        {"\xFF\xFF"sv, "\xBF"sv},
        {"41\0" "42"sv, "\x41"sv},
        {"4\0" "142"sv, ""sv},
        {"\0" "41"sv, ""sv},
        {"414\r"sv, "\x41\x1D"sv},
        {"cafe\n"sv, "\xCA\xFE"sv},
        {"cafe\r\n"sv, "\xCA\xFE"sv},
        {"414\r\n"sv, "\x41\x1D"sv},
        {"caf"sv, "\xCA"sv},
        {"c\n"sv, ""sv},
        {"\n"sv, ""sv},
        {"41\n42"sv, "\x41"sv},
    };
    for (const auto& c : cases) {
        const byte_string line = bytes(c.input);
        byte_string out(line.size() / 2 + 1, 0xEE);
        out.resize(decode_line(line, out.data()));
        EXPECT_EQ(out, bytes(c.decoded)) << testing::PrintToString(c.input);
    }
}

// How lines follow one another in a stream, for every kernel: each case between long lines, so
// that it lies inside the kernel's blocks, at two offsets of them, beside whole blocks of text.
TEST(DecodeStream, LinesDecodeOneAfterAnother)
{
    const text_case cases[] = {
        {"ca\nfe\n"sv, "\xCA\xFE"sv},
        {"c\nafe"sv, "\xAF"sv},
        {"caf\ne\n"sv, "\xCA"sv},
        {"4\0" "1\n42\n"sv, "\x42"sv},
        {"\n\n\n00\n\n"sv, "\x00"sv},
        {"\r\n\r\n"sv, ""sv},
        {"ca\0\n\0\nfe"sv, "\xCA\xFE"sv},
    };
    const auto long_line = [](size_t digits) {
        byte_string line;
        for (size_t i = 0; i < digits; ++i)
            line.push_back(static_cast<uint8_t>("0123456789abcdef"[(i * 5) % 16]));
        line.push_back('\n');
        return line;
    };
    const auto decoded = [](const byte_string& line) {
        byte_string out(line.size() / 2);
        out.resize(decode_line(line, out.data()));
        return out;
    };
    // Long enough after the case that a whole block follows the block it lies in: the kernel
    // decodes it, not the scalar tail.
    const byte_string after = long_line(200);
    for (const kernel& k : kernels_under_test()) {
        if (!k.supported())
            continue;
        for (const size_t lead : {100, 131}) {
            const byte_string before = long_line(lead);
            for (const auto& c : cases) {
                byte_string input = before, expected = decoded(before);
                input.insert(input.end(), c.input.begin(), c.input.end());
                input.push_back('\n');
                input.insert(input.end(), after.begin(), after.end());
                expected.insert(expected.end(), c.decoded.begin(), c.decoded.end());
                const byte_string tail = decoded(after);
                expected.insert(expected.end(), tail.begin(), tail.end());
                EXPECT_EQ(decode_in_chunks(k, input), expected)
                    << k.name << ", after " << lead << " digits: " << testing::PrintToString(c.input);
            }
        }
    }
}
