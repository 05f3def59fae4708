// Prints the kernels that this CPU can run, one name a line, so that the benchmark builds and
// times each of them without knowing the machine beforehand.
#include <cstdio>

#include "kernels/kernel.hpp"

int main()
{
    for (kernel k : all_kernels)
        if (kernel_supported(k))
            std::puts(kernel_name(k));
}
