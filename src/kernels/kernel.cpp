#include "kernel.hpp"

#include <unistd.h>

#include <cstdlib>

#include "io.hpp"

// Every listed kernel's file defines its row, empty where this architecture lacks the kernel.
#define DEHEX_LISTED(name) extern const kernel name##_kernel;
#include "kernel_list.hpp"
#undef DEHEX_LISTED

namespace {

constexpr const kernel* listed[] = {
#define DEHEX_LISTED(name) &name##_kernel,
#include "kernel_list.hpp"
#undef DEHEX_LISTED
};

struct kernel_table {
    kernel rows[std::size(listed)];
    size_t count;
};

kernel_table built_kernels()
{
    kernel_table table{};
    for (const kernel* k : listed)
        if (k->decode_blocks != nullptr)
            table.rows[table.count++] = *k;
    return table;
}

// Made as the program starts, from rows that are constants: no guard, and so no C++ runtime, which
// would take more memory than all the rest of dehex.
const kernel_table table = built_kernels();

#ifdef DEHEX_PINNED_KERNEL
constexpr std::string_view pinned = DEHEX_PINNED_KERNEL;
#else
constexpr std::string_view pinned;
#endif

}  // namespace

std::span<const kernel> all_kernels()
{
    return {table.rows, table.count};
}

const kernel* choose_kernel(std::span<const kernel> kernels, std::string_view pin)
{
    for (size_t i = kernels.size(); i-- > 0;)
        if ((pin.empty() || kernels[i].name == pin) && kernels[i].supported())
            return &kernels[i];
    return nullptr;
}

const kernel& best_kernel()
{
    if (const kernel* k = choose_kernel(all_kernels(), pinned))
        return *k;
#ifdef DEHEX_PINNED_KERNEL
    constexpr char line[] = "dehex: this build is pinned to the " DEHEX_PINNED_KERNEL " kernel, which this machine cannot run\n";
    write_all(STDERR_FILENO, {reinterpret_cast<const uint8_t*>(line), sizeof line - 1});
#endif
    std::exit(1);
}
