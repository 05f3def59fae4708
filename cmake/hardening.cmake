# The hardening Debian builds its own packages with: position-independent executables, stack
# protector, checked string and memory functions, and a read-only relocation table bound at start.
option(DEHEX_HARDEN "Build with stack protector, _FORTIFY_SOURCE, PIE and full RELRO" ON)

if(DEHEX_HARDEN AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(-fstack-protector-strong)
    add_link_options(-Wl,-z,relro,-z,now)
    # _FORTIFY_SOURCE checks nothing without optimisation (glibc warns then), and under
    # AddressSanitizer it would hide the calls that the sanitizer checks. Some compilers define it
    # already, hence the -U.
    if(NOT DEHEX_SANITIZE AND NOT DEHEX_FUZZ)
        add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    endif()
endif()
