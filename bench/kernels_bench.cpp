// Each kernel on in-cache text of the three benchmark shapes, in bytes of input per second.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "decode.hpp"

namespace {

// 64 KiB of random lowercase hex, in lines of `line` characters (0: one line, no line feed).
std::vector<uint8_t> hex_text(size_t line)
{
    std::mt19937 rng(1);
    std::vector<uint8_t> text;
    while (text.size() < 64 * 1024) {
        text.push_back(static_cast<uint8_t>("0123456789abcdef"[rng() % 16]));
        if (line != 0 && text.size() % (line + 1) == line)
            text.push_back('\n');
    }
    return text;
}

void decode(benchmark::State& state, kernel k, size_t line)
{
    if (!kernel_supported(k)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    const std::vector<uint8_t> text = hex_text(line);
    std::vector<uint8_t> out(decoded_capacity(text.size()));
    for (auto _ : state) {
        decoder_state s;
        benchmark::DoNotOptimize(decode_chunk(k, s, text, out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void register_all()
{
    const struct {
        const char* name;
        size_t line;
    } shapes[] = {{"one_line", 0}, {"xxd_p", 60}, {"xxd_p_c1", 2}};
    for (kernel k : all_kernels)
        for (const auto& shape : shapes)
            benchmark::RegisterBenchmark((std::string(kernel_name(k)) + "/" + shape.name).c_str(),
                                         decode, k, shape.line);
}

}  // namespace

int main(int argc, char** argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
