// The first include of every kernel's file, at the top level: all that the files it pastes inside
// its namespace (NAME.inc) use, since a header included there would be pasted there too.
//
// A kernel's file is thin: its architecture condition, the header that defines its intrinsics,
// its `supported` check, and inside its target region (target.hpp), its primitives (NAME.inc),
// then the one block loop over them (block_loop.inc), which defines its `decode_blocks`. Pasted
// inside the kernel's own namespace and target region, they are compiled for its instructions
// alone, and the loop inlines the primitives.
#pragma once

#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

#include "blocks.hpp"
#include "decode.hpp"
#include "kernel.hpp"
#include "line_period.hpp"
#include "pack_lists.hpp"
#include "target.hpp"

// Opens every NAME.inc: pasted at the top level, the kernels' copies of a function would be one
// symbol, which the linker may take from a kernel compiled for instructions this CPU lacks.
struct kernel_scope;
#define DEHEX_PASTED_INSIDE_A_KERNEL(file) \
    struct kernel_scope;                   \
    static_assert(!std::is_same_v<kernel_scope, ::kernel_scope>, "paste " file " inside a kernel's namespace")
