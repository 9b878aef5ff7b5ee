# SPDX-License-Identifier: MIT
# `cpack -G DEB` in the build folder: a Debian package of the installed
# layout under /usr. Its maintainer scripts create the group borealix and,
# as debhelper's would, enable the service's socket and, where systemd runs,
# start it.

set(CPACK_PACKAGE_NAME tarvolent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY ${PROJECT_DESCRIPTION})
# Lines of the long description stay within 80 columns with the space
# the control file puts before each.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A window program and a command-line companion for engineers who look\n"
    "into a PC's hardware: the configuration space of every PCI and PCI\n"
    "Express function, and physical memory. The service Borealix gives the\n"
    "members of the group borealix this machine's hardware: membership is as\n"
    "good as root.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TARVOLENT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The install step sees /usr as its prefix, so the files it writes name /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX ${CPACK_PACKAGING_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)

# The libraries the programs link come from dpkg-shlibdeps; what they load at
# run time (Qt's platform plugins, the hex window's font) and what the
# maintainer scripts run are named here.
find_program(TARVOLENT_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TARVOLENT_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(linked_libraries "")
else()
    set(linked_libraries
        "libc6, libstdc++6, libgcc-s1, libqt6core6, libqt6gui6, libqt6widgets6, libx11-6, ")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "${linked_libraries}qt6-qpa-plugins, fonts-liberation, systemd | adduser")

set(maintainer_scripts ${CMAKE_BINARY_DIR}/packaging/debian)
block(SCOPE_FOR VARIABLES)
    set(TARVOLENT_SYSUSERS_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${TARVOLENT_SYSUSERS_DIR})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/postinst.in ${maintainer_scripts}/postinst
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                          GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endblock()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${maintainer_scripts}/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm
    ${PROJECT_SOURCE_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
