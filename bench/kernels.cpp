// Prints the kernels that this CPU can run, one name a line, so that the benchmark builds and
// times each of them without knowing the machine beforehand.
#include <cstdio>

#include "kernels/kernel.hpp"

int main()
{
    for (const kernel& k : all_kernels())
        if (k.supported())
            std::puts(k.name);
}
