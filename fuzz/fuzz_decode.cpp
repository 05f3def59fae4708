// For every input: the line rule applied line by line, the chunked decoder fed the input in
// pieces whose sizes come from the fuzz data, apart or in place, and each kernel this CPU
// supports must all give the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider fuzz(data, size);
    // The cut sizes come from the end of the data, the text from the rest.
    std::vector<size_t> cuts(fuzz.ConsumeIntegralInRange<size_t>(0, 6));
    for (size_t& cut : cuts)
        cut = fuzz.ConsumeIntegralInRange<size_t>(0, 300);
    const byte_string text = fuzz.ConsumeRemainingBytes<uint8_t>();

    const byte_string expected = decode_by_lines(text);
    for (const kernel& k : kernels_under_test()) {
        if (!k.supported())
            continue;
        if (decode_in_chunks(k, text) != expected || decode_in_chunks(k, text, cuts) != expected ||
            decode_in_chunks(k, text, cuts, placement::in_place) != expected)
            std::abort();
    }
    return 0;
}
