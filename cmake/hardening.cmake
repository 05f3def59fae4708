# The hardening Debian builds its own packages with: position-independent executables, stack
# protector, checked string and memory functions, and a read-only relocation table bound at start.
# What the builder's own flags already decide (a _FORTIFY_SOURCE level, a static link) is kept.
option(DEHEX_HARDEN "Build with stack protector, _FORTIFY_SOURCE, PIE and full RELRO" ON)

if(DEHEX_HARDEN AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-fstack-protector-strong)
    add_link_options(-Wl,-z,relro,-z,now)

    # A static link asked for with -static becomes a static PIE where the C library has the start
    # file for one (rcrt1.o), and stays a plain static executable where it has not; -static-pie
    # links at all only where it has (CMake's compiler check stops at once elsewhere). PIE's own
    # -pie, which CMake puts after every other link flag, would undo either: it makes -static-pie
    # dynamic and keeps -static from being PIE.
    if(CMAKE_EXE_LINKER_FLAGS MATCHES "(^| )-static(-pie)?( |$)")
        string(REGEX REPLACE "(^| )-static(-pie)?( |$)" " " dynamic_flags "${CMAKE_EXE_LINKER_FLAGS}")
        string(REGEX REPLACE "(^| )-static(-pie)?( |$)" " " dynamic_flags "${dynamic_flags}")
        include(CheckCXXSourceCompiles)
        set(CMAKE_EXE_LINKER_FLAGS "${dynamic_flags}")
        set(CMAKE_REQUIRED_FLAGS -fPIE)
        set(CMAKE_REQUIRED_LINK_OPTIONS -static-pie)
        check_cxx_source_compiles("#include <cstdio>\nint main() { return std::puts(\"\"); }"
                                  DEHEX_STATIC_PIE_LINKS)
        unset(CMAKE_REQUIRED_FLAGS)
        unset(CMAKE_REQUIRED_LINK_OPTIONS)
        if(DEHEX_STATIC_PIE_LINKS)
            set(CMAKE_EXE_LINKER_FLAGS "${dynamic_flags} -static-pie")
            # What goes into the executable is compiled as PIE; a loadable module keeps its -fPIC.
            add_compile_options("$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-fPIE>"
                                "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,STATIC_LIBRARY>:-fPIE>")
            message(STATUS "Static link: a static PIE")
        else()
            set(CMAKE_EXE_LINKER_FLAGS "${dynamic_flags} -static")
            message(STATUS "Static link: a plain static executable, not PIE (this C library "
                           "cannot link a static PIE)")
        endif()
    else()
        include(CheckPIESupported)
        check_pie_supported()
        set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    endif()

    # _FORTIFY_SOURCE checks nothing without optimisation (glibc warns then), and under
    # AddressSanitizer it would hide the calls that the sanitizer checks. A level in the
    # builder's flags (-D_FORTIFY_SOURCE=3, or -Wp,-D... as some distributions pass it) is theirs
    # to choose; without one, level 2 replaces whatever the compiler defines by itself.
    string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
    if("${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${config}}" MATCHES "(^|[ ,])-[DU] *_FORTIFY_SOURCE")
        message(STATUS "_FORTIFY_SOURCE: as the compiler flags set it")
    elseif(NOT DEHEX_SANITIZE AND NOT DEHEX_FUZZ)
        add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    endif()
endif()
