# SPDX-License-Identifier: MIT
# Run by the install step: writes TARVOLENT_CONFIGURE_SOURCE to
# TARVOLENT_CONFIGURE_DESTINATION under the prefix being installed to, with
# the installed directories as absolute paths of that prefix; compressed
# (DESTINATION.gz) where TARVOLENT_CONFIGURE_GZIP is set.
foreach(directory TARVOLENT_PROGRAM_DIR TARVOLENT_SYSTEMD_DIR TARVOLENT_SYSUSERS_DIR)
    set(${directory} "${CMAKE_INSTALL_PREFIX}/${${directory}}")
endforeach()
set(installed "${CMAKE_INSTALL_PREFIX}/${TARVOLENT_CONFIGURE_DESTINATION}")
set(destination "$ENV{DESTDIR}${installed}")
configure_file("${TARVOLENT_CONFIGURE_SOURCE}" "${destination}" @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
if(TARVOLENT_CONFIGURE_GZIP)
    execute_process(COMMAND "${TARVOLENT_GZIP}" -9nf "${destination}" COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND installed ".gz")
endif()
message(STATUS "Installing: $ENV{DESTDIR}${installed}")
# Named in install_manifest.txt as the files CMake installs are: without DESTDIR.
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${installed}")
