# Installs dehex with its manual page, changelog and licence, and describes its Debian and RPM
# packages.
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
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian)
# The RPM package's documents instead, as RPM-based systems have them (its changelog is in its
# header): only cpack -G RPM installs this component (cmake/cpack-generator.cmake).
install(FILES LICENSE README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT rpm EXCLUDE_FROM_ALL)

# The packages are for the machine the compiler builds for, which a cross compiler makes other
# than this one: Debian's and RPM's names for the compiler's target triplet.
set(triplet "${CMAKE_CXX_COMPILER_TARGET}")
if(NOT triplet)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
                    OUTPUT_VARIABLE triplet OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# Triplet pattern=Debian's name=RPM's. Debian's i386 is built for the i686 and its armhf for the
# ARMv7 with VFPv3, hard float: RPM's i686 and armv7hl.
set(arches "x86_64-.*linux-gnu$=amd64=x86_64" "i[3-6]86-.*linux-gnu$=i386=i686"
           "aarch64-.*linux-gnu$=arm64=aarch64" "arm.*-linux-gnueabihf$=armhf=armv7hl"
           "arm.*-linux-gnueabi$=armel=armv5tel" "riscv64-.*linux-gnu$=riscv64=riscv64"
           "powerpc64le-.*linux-gnu$=ppc64el=ppc64le" "s390x-.*linux-gnu$=s390x=s390x")
set(deb_arch)
set(rpm_arch)
foreach(row ${arches})
    string(REPLACE "=" ";" row "${row}")
    list(GET row 0 pattern)
    if(triplet MATCHES "^${pattern}")
        list(GET row 1 deb_arch)
        list(GET row 2 rpm_arch)
        break()
    endif()
endforeach()
find_program(DPKG_ARCHITECTURE dpkg-architecture)
if(DPKG_ARCHITECTURE AND triplet)
    execute_process(COMMAND ${DPKG_ARCHITECTURE} -qDEB_HOST_ARCH -t ${triplet}
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    # Without dpkg-dev: the common targets, from the table.
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_arch})
endif()
if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
    message(WARNING "No Debian architecture for the compiler's target '${triplet}': cpack will use this machine's")
endif()
if(rpm_arch)
    set(CPACK_RPM_PACKAGE_ARCHITECTURE ${rpm_arch})
else()
    message(WARNING "No RPM architecture for the compiler's target '${triplet}': cpack will use this machine's")
endif()

set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The RPM package, as a distribution's own: installed in /usr only (no Prefix tag), its Requires
# found by rpm, its changelog the Debian one's entries in RPM's form.
set(CPACK_PACKAGE_RELOCATABLE OFF)
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE MIT)
# Fedora's and openSUSE's guidelines want no Group: CPack always writes the tag, so it is given
# rpm's own value for a package without one.
set(CPACK_RPM_PACKAGE_GROUP "Unspecified")
# dehex has no public home yet: this stands for it, in the reserved .invalid domain, as the
# contact's address does.
set(CPACK_RPM_PACKAGE_URL "https://dehex.invalid/")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# The manual page's folders belong to the system (filesystem and man-pages), not to dehex.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1)
set(CPACK_RPM_USER_FILELIST "%license /usr/${CMAKE_INSTALL_DOCDIR}/LICENSE"
                            "%doc /usr/${CMAKE_INSTALL_DOCDIR}/README.md")
# Reproducible: the build time and every file's time are SOURCE_DATE_EPOCH, or else the date of
# the changelog's first entry, and the build host is no machine's name. rpmbuild's own stripping
# and compressing is left out: cpack strips with the target's strip, which the host's may not
# read, and the manual page is compressed already.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define source_date_epoch_from_changelog 1
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define __os_install_post %{nil}")
set(rpm_changelog)
file(STRINGS ${PROJECT_BINARY_DIR}/package/changelog lines)
set(release ${CPACK_RPM_PACKAGE_RELEASE})
foreach(line IN LISTS lines)
    if(line MATCHES "^dehex \\(([^)]*)\\) ")
        set(entry_version ${CMAKE_MATCH_1})
        set(entry_text)
    elseif(line MATCHES "^  \\* (.*)")
        string(APPEND entry_text "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^    (.*)")
        string(APPEND entry_text "  ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^ -- (.*)  ([A-Z][a-z][a-z]), ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9]+) ")
        # "Tue, 08 Dec 2026 ..." is "Tue Dec 08 2026" in RPM's changelog. Older entries are
        # release 1 of their version.
        string(APPEND rpm_changelog "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} ${CMAKE_MATCH_5} "
               "${CMAKE_MATCH_1} - ${entry_version}-${release}\n${entry_text}\n")
        set(release 1)
    endif()
endforeach()
string(STRIP "${rpm_changelog}" rpm_changelog)
file(WRITE ${PROJECT_BINARY_DIR}/package/rpm-changelog "${rpm_changelog}\n")
set(CPACK_RPM_CHANGELOG_FILE ${PROJECT_BINARY_DIR}/package/rpm-changelog)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack-generator.cmake)
include(CPack)
