// For kernel_test.cpp alone, until it includes kernels/prelude.hpp, and pastes the kernel files it
// tests into a namespace of its own, itself: the names src/kernels/blocks.hpp gave it before the
// block bit logic became a file pasted inside each kernel's namespace. Delete this folder then.
#pragma once

#include "../../src/kernels/prelude.hpp"

namespace block_bit_logic {
#include "../../src/kernels/pair_starts.inc"
}  // namespace block_bit_logic

using namespace block_bit_logic;
