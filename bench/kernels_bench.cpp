// Each kernel on the first 64 KiB of each corpus named on the command line, in cache, in bytes of
// input per second. Benchmarks are named KERNEL/N, N the corpus's place on the command line.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "decode.hpp"

namespace {

std::vector<uint8_t> start_of(const char* path)
{
    std::vector<uint8_t> text(64 * 1024);
    std::ifstream f(path, std::ios::binary);
    f.read(reinterpret_cast<char*>(text.data()), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(f.gcount()));
    return text;
}

void decode(benchmark::State& state, const kernel& k, const std::vector<uint8_t>& text)
{
    if (!k.supported()) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    std::vector<uint8_t> out(decoded_capacity(text.size()));
    for (auto _ : state) {
        decoder_state s;
        benchmark::DoNotOptimize(decode_chunk(k, s, text, out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::vector<std::vector<uint8_t>> texts;
    for (int i = 1; i < argc; ++i)
        texts.push_back(start_of(argv[i]));
    for (const kernel& k : all_kernels())
        for (size_t i = 0; i < texts.size(); ++i)
            benchmark::RegisterBenchmark((std::string(k.name) + "/" + std::to_string(i)).c_str(), decode,
                                         std::cref(k), std::cref(texts[i]));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
