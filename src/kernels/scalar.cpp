// The portable kernel (portable.hpp), for every CPU, any word size, either byte order.
#include <bit>
#include <type_traits>

#include "blocks.hpp"
#include "decode.hpp"
#include "kernel.hpp"

namespace scalar {

bool supported()
{
    return true;
}

#include "pair_starts.hpp"
#include "block_loop.hpp"
#include "swar.hpp"
#include "portable.hpp"

block_progress decode_blocks(std::span<const uint8_t> in, uint8_t* out, bool& skipping)
{
    return decode_blocks_with<primitives<swar_masks>>(in, out, skipping);
}

}  // namespace scalar

DEHEX_KERNEL(scalar);
