# Read by cpack for each generator: the documents that each kind of package holds. A .deb has
# Debian's copyright and changelog (component debian); an RPM has LICENSE and README.md
# (component rpm), its changelog being in its header.
if(CPACK_GENERATOR STREQUAL "RPM")
    list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build)
    set(CPACK_INSTALL_CMAKE_PROJECTS "${build};dehex;Unspecified;/;${build};dehex;rpm;/")
endif()
