// The table of the tests' emulated kernels, from the list that CMake makes of those built here.
#include "support.hpp"

#define DEHEX_EMULATED(name) extern const kernel name##_emulated_kernel;
#include "emulated_list.hpp"
#undef DEHEX_EMULATED

namespace {
// A null row closes the list, so that an empty one is still an array.
constexpr const kernel* rows[] = {
#define DEHEX_EMULATED(name) &name##_emulated_kernel,
#include "emulated_list.hpp"
#undef DEHEX_EMULATED
    nullptr};
}  // namespace

constinit const std::span<const kernel* const> emulated_kernels{rows, std::size(rows) - 1};
