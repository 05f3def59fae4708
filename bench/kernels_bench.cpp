// Each kernel on each corpus named on the command line, in input bytes per second. Each run
// decodes up to 16 MiB of the corpus once through, in the chunks dehex reads: input too large for
// the branch predictor to learn, so the branches that mispredict on real input mispredict here
// too. As a read does, each chunk is first copied into one buffer, which stays in cache; only the
// decoding is timed. Benchmarks are named KERNEL/N, N the corpus's place on the command line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "decode.hpp"
#include "io.hpp"

namespace {

constexpr size_t sample_size = 16 << 20;

std::vector<uint8_t> start_of(const char* path)
{
    std::vector<uint8_t> text(sample_size);
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
    std::vector<uint8_t> chunk(read_size);
    std::vector<uint8_t> out(decoded_capacity(read_size));
    for (auto _ : state) {
        decoder_state s;
        std::chrono::steady_clock::duration spent{};
        for (size_t at = 0; at < text.size(); at += read_size) {
            const size_t n = std::min(read_size, text.size() - at);
            std::memcpy(chunk.data(), text.data() + at, n);
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(decode_chunk(k, s, {chunk.data(), n}, out.data()));
            benchmark::ClobberMemory();
            spent += std::chrono::steady_clock::now() - start;
        }
        state.SetIterationTime(std::chrono::duration<double>(spent).count());
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
                                         std::cref(k), std::cref(texts[i]))
                ->UseManualTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
