# Cross-build for 32-bit x86 Linux (i386) with Debian's cross compiler, against i386 libraries
# installed through multiarch, running what it builds under qemu-user. Debian's multiarch
# directory for i386 is named for i386, not for the compiler's i686.
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/i686-linux-gnu.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../cross-linux.cmake)
dehex_cross_linux(i686 i686-linux-gnu i386 MULTIARCH i386-linux-gnu)
