# Installs dehex with its manual page, changelog and licence, and describes its Debian package.
# The project's version is the only one: the manual page, the changelog and the package take it.
include(GNUInstallDirs)

# The date of this version's release, in the changelog's form; the manual page shows it too.
set(DEHEX_RELEASE_DATE "Tue, 08 Dec 2026 00:00:00 +0000")

set(CPACK_PACKAGE_NAME dehex)
set(CPACK_PACKAGE_VENDOR "The dehex developers")
set(CPACK_PACKAGE_CONTACT "The dehex developers <dehex@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "dehex is a Unix filter that turns hexadecimal text on standard input into the
bytes it spells on standard output, line by line, in constant memory, at the
speed of a plain copy. It takes no options and no file names.")

# The manual page's header: "2026-12-08" and "dehex 1.0.0".
string(REGEX MATCH "([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9])" _ "${DEHEX_RELEASE_DATE}")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months "${CMAKE_MATCH_2}" month)
math(EXPR month "${month} + 101")
string(SUBSTRING "${month}" 1 2 month)
set(DEHEX_MAN_DATE "${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1}")
configure_file(man/dehex.1.in man/dehex.1 @ONLY)

# The licence in the machine-readable form Debian reads: the text after the copyright line of
# LICENSE, indented one space, with "." for each empty line.
file(READ LICENSE license)
string(REGEX MATCH "\nCopyright \\(c\\) ([^\n]*)\n\n(.*)" _ "${license}")
set(DEHEX_COPYRIGHT "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
set(DEHEX_LICENSE_TEXT " ${license}")
configure_file(package/copyright.in package/copyright @ONLY)
configure_file(package/changelog.in package/changelog @ONLY)

# Compressed as Debian wants: gzip -9, with no name or time stamp in the header.
set(compressed)
foreach(file man/dehex.1 package/changelog)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND gzip -9n < ${file} > ${file}.gz
        DEPENDS ${PROJECT_BINARY_DIR}/${file}
        WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
    list(APPEND compressed ${PROJECT_BINARY_DIR}/${file}.gz)
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${compressed})

install(TARGETS dehex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, and cpack) also drops the compiler's notes, as
# Debian's own packages do.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dehex\"
                    COMMAND_ERROR_IS_FATAL ANY)
endif()")
install(FILES ${PROJECT_BINARY_DIR}/man/dehex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/package/changelog.gz ${PROJECT_BINARY_DIR}/package/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package is for the machine the compiler builds for, which a cross compiler makes other than
# this one: Debian's name for the compiler's target triplet.
set(triplet "${CMAKE_CXX_COMPILER_TARGET}")
if(NOT triplet)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
                    OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
find_program(DPKG_ARCHITECTURE dpkg-architecture)
if(DPKG_ARCHITECTURE AND triplet)
    execute_process(COMMAND ${DPKG_ARCHITECTURE} -qDEB_HOST_ARCH -t ${triplet}
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    # Without dpkg-dev: the common targets by hand.
    set(arches "x86_64-.*linux-gnu$=amd64" "i[3-6]86-.*linux-gnu$=i386" "aarch64-.*linux-gnu$=arm64"
               "arm.*-linux-gnueabihf$=armhf" "arm.*-linux-gnueabi$=armel" "riscv64-.*linux-gnu$=riscv64"
               "powerpc64le-.*linux-gnu$=ppc64el" "s390x-.*linux-gnu$=s390x")
    foreach(pair ${arches})
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 pattern)
        list(GET pair 1 arch)
        if(triplet MATCHES "^${pattern}")
            set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${arch})
            break()
        endif()
    endforeach()
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    message(WARNING "No Debian architecture for the compiler's target '${triplet}': cpack will use this machine's")
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
