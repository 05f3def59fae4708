// For kernel_test.cpp alone, until it includes the kernel files it tests by their own names: see
// blocks.hpp here. The loop comes with the word masks (swar.hpp here), whose functions it uses.
