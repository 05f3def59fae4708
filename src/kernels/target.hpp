// Compiles the functions between DEHEX_TARGET_BEGIN and DEHEX_TARGET_END for the instruction set
// extensions named, and only them: so one binary holds kernels for several CPUs, and a kernel's
// loop inlines the intrinsics it calls. Include every header before the region, so that nothing
// shared with the rest of the program is compiled for a CPU it may not run on.
#pragma once

#define DEHEX_PRAGMA(x) _Pragma(#x)
#if defined(__clang__)
#define DEHEX_TARGET_BEGIN(features) \
    DEHEX_PRAGMA(clang attribute push(__attribute__((target(features))), apply_to = function))
#define DEHEX_TARGET_END DEHEX_PRAGMA(clang attribute pop)
#else
#define DEHEX_TARGET_BEGIN(features) DEHEX_PRAGMA(GCC push_options) DEHEX_PRAGMA(GCC target(features))
#define DEHEX_TARGET_END DEHEX_PRAGMA(GCC pop_options)
#endif
