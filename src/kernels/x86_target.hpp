// An x86-64 kernel's instruction set extensions, named once: DEHEX_X86_KERNEL_BEGIN("avx2,bmi2")
// defines the kernel's `supported`, which asks the CPU for each of them, and opens the target
// region that compiles the kernel for them (end it with DEHEX_TARGET_END).
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <string_view>

#include "target.hpp"

// The extensions a kernel may name, as both the target region and __builtin_cpu_supports spell
// them; the CPU is asked about each by name, so each is a literal here.
#define DEHEX_X86_FEATURES(X) X(ssse3) X(popcnt) X(avx2) X(bmi) X(bmi2) X(avx512f) X(avx512bw) X(avx512vbmi) X(avx512vbmi2)

namespace x86 {

#define DEHEX_X86_NAME(feature) #feature,
inline constexpr std::string_view feature_names[] = {DEHEX_X86_FEATURES(DEHEX_X86_NAME)};
#undef DEHEX_X86_NAME

// Whether every extension in the comma-separated `list` is known and `has` it, given its index.
constexpr bool all_of(std::string_view list, auto has)
{
    while (!list.empty()) {
        const std::string_view name = list.substr(0, list.find(','));
        const auto* at = std::find(std::begin(feature_names), std::end(feature_names), name);
        if (at == std::end(feature_names) || !has(static_cast<size_t>(at - std::begin(feature_names))))
            return false;
        list.remove_prefix(std::min(name.size() + 1, list.size()));
    }
    return true;
}

constexpr bool knows(std::string_view list)
{
    return all_of(list, [](size_t) { return true; });
}

// Whether this CPU, and its operating system, run code built for every extension in `list`.
inline bool runs(std::string_view list)
{
    __builtin_cpu_init();
#define DEHEX_X86_HAS(feature) __builtin_cpu_supports(#feature) != 0,
    const bool has[] = {DEHEX_X86_FEATURES(DEHEX_X86_HAS)};
#undef DEHEX_X86_HAS
    return all_of(list, [&](size_t i) { return has[i]; });
}

}  // namespace x86

#define DEHEX_X86_KERNEL_BEGIN(features)                                  \
    static_assert(x86::knows(features), "an extension not in DEHEX_X86_FEATURES"); \
    bool supported()                                                       \
    {                                                                      \
        return x86::runs(features);                                        \
    }                                                                      \
    DEHEX_TARGET_BEGIN(features)
