# What the toolchain files in cmake/toolchains share: Debian's cross compiler for TRIPLE, target
# libraries and packages from its own /usr/TRIPLE (and, with MULTIARCH, from the multiarch
# directories under /usr, lib/MULTIARCH, never the build machine's), the build machine's
# programs, and qemu-QEMU to run what is built.
#   dehex_cross_linux(PROCESSOR TRIPLE QEMU [MULTIARCH DIR])
macro(dehex_cross_linux processor triple qemu)
    cmake_parse_arguments(dehex_cross "" "MULTIARCH" "" ${ARGN})
    set(CMAKE_SYSTEM_NAME Linux)
    set(CMAKE_SYSTEM_PROCESSOR ${processor})
    set(CMAKE_C_COMPILER ${triple}-gcc)
    set(CMAKE_CXX_COMPILER ${triple}-g++)
    set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
    set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
    set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
    set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
    find_program(DEHEX_QEMU qemu-${qemu} REQUIRED)
    if(dehex_cross_MULTIARCH)
        set(CMAKE_LIBRARY_ARCHITECTURE ${dehex_cross_MULTIARCH})
        set(CMAKE_FIND_ROOT_PATH /usr/${triple} /)
        # No -L: the guest's loader and libraries are the multiarch ones, where qemu finds them by
        # itself. Mixing in the cross toolchain's copies makes forked children hang.
        set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU})
    else()
        # The cross toolchain's libraries are the only ones for the target here: qemu is pointed
        # at them.
        set(CMAKE_FIND_ROOT_PATH /usr/${triple})
        set(CMAKE_CROSSCOMPILING_EMULATOR ${DEHEX_QEMU} -L /usr/${triple})
    endif()
endmacro()
