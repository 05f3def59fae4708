# The tests' and the fuzzer's own kernels: vector kernels compiled over SIMDe's portable emulation
# of their intrinsics, so that any x86-64 CPU runs them natively. Each is tests/NAME_emulated.cpp;
# the library lists them through a header of DEHEX_EMULATED(NAME) lines. Without SIMDe the list is
# empty, and only the tests of these kernels are left out.
set(DEHEX_EMULATED_KERNELS avx512 neon neon32)

# find_path keeps a path it found, but searches again at every configure while it has found none:
# a build folder configured before SIMDe was installed finds it once it is.
find_path(DEHEX_SIMDE_INCLUDE_DIR simde/x86/avx512.h)
set(emulated)
if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
    # Elsewhere the vector kernels that run there are tested on the CPU itself or under qemu.
elseif(NOT DEHEX_SIMDE_INCLUDE_DIR AND DEHEX_ALL_TESTS)
    message(FATAL_ERROR "SIMDe not found, and DEHEX_ALL_TESTS is on (tools/install-deps test installs it)")
elseif(NOT DEHEX_SIMDE_INCLUDE_DIR)
    message(STATUS "SIMDe not found: the emulated kernels' tests are left out (tools/install-deps test installs it)")
else()
    set(emulated ${DEHEX_EMULATED_KERNELS})
endif()

list(TRANSFORM emulated REPLACE "(.+)" "tests/\\1_emulated.cpp" OUTPUT_VARIABLE emulated_sources)
dehex_list_header(emulated_list.hpp DEHEX_EMULATED ${emulated})

add_library(emulated_kernels STATIC tests/emulated_kernels.cpp ${emulated_sources})
target_include_directories(emulated_kernels PUBLIC tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
if(emulated)
    target_include_directories(emulated_kernels SYSTEM PRIVATE ${DEHEX_SIMDE_INCLUDE_DIR})
    # SIMDe's portable code adds and subtracts lanes as signed C integers, which the instructions
    # it stands for wrap: -fwrapv makes them wrap in C++ too (and so keeps the sanitizers quiet).
    target_compile_options(emulated_kernels PRIVATE -fwrapv)
    # GCC notes that a 64-byte vector returned by a function it keeps out of line is passed as
    # AVX-512 would not pass it; each such function is local to its file, so no caller differs.
    target_compile_options(emulated_kernels PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-psabi>)
endif()
target_link_libraries(emulated_kernels PUBLIC dehex_core)
