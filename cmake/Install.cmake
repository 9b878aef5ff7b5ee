# SPDX-License-Identifier: MIT
# The installed layout, as packages lay out a Linux system: the program
# directory lib/tarvolent with links into it from bin/, the desktop entry and
# its icon, the software-centre metadata, the man pages, the bash completion,
# the licence and changelog, and the system service's units and group.
# Included once every target exists.

set(TARVOLENT_PROGRAM_DIR lib/tarvolent)
set(TARVOLENT_SYSTEMD_DIR lib/systemd/system)
set(TARVOLENT_SYSUSERS_DIR lib/sysusers.d)
set(TARVOLENT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/tarvolent)
set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS tarvolent tarvolent-cli borex64 RUNTIME DESTINATION ${TARVOLENT_PROGRAM_DIR})
install(FILES ${TARVOLENT_BIN_DIR}/PciId.txt ${TARVOLENT_BIN_DIR}/pcidevcl.txt
              ${TARVOLENT_BIN_DIR}/regdes.txt
        DESTINATION ${TARVOLENT_PROGRAM_DIR})

# Relative links, so the tree works wherever it is unpacked; the programs
# find their directory through /proc/self/exe, which resolves them.
foreach(program tarvolent tarvolent-cli)
    file(RELATIVE_PATH target /prefix/${CMAKE_INSTALL_BINDIR}
         /prefix/${TARVOLENT_PROGRAM_DIR}/${program})
    file(MAKE_DIRECTORY ${packaging_build}/bin)
    file(CREATE_LINK ${target} ${packaging_build}/bin/${program} SYMBOLIC)
    install(FILES ${packaging_build}/bin/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# The menu entry and the metadata software centres read, under one id.
install(FILES ${packaging_source}/tarvolent.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications RENAME ${TARVOLENT_APP_ID}.desktop)
set(metainfo ${packaging_build}/${TARVOLENT_APP_ID}.metainfo.xml)
configure_file(${packaging_source}/metainfo.xml.in ${metainfo} @ONLY)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

install(FILES ${packaging_source}/tarvolent-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME tarvolent-cli)

# The licence of what is installed, and the changelog, compressed without a
# time stamp so that every build of a version is the same file.
install(FILES ${packaging_source}/copyright DESTINATION ${TARVOLENT_DOC_DIR})
find_program(TARVOLENT_GZIP gzip REQUIRED)
execute_process(
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -R -d "${TARVOLENT_RELEASE_DATE} 12:00"
    OUTPUT_VARIABLE TARVOLENT_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
set(changelog ${packaging_build}/changelog)
configure_file(${packaging_source}/changelog.in ${changelog} @ONLY)
add_custom_command(
    OUTPUT ${changelog}.gz
    COMMAND ${TARVOLENT_GZIP} -9nkf ${changelog}
    DEPENDS ${changelog}
    VERBATIM)
add_custom_target(tarvolent_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${TARVOLENT_DOC_DIR})

set(icon_svg ${packaging_build}/tarvolent.svg)
set(icon_png ${packaging_build}/tarvolent.png)
add_custom_command(
    OUTPUT ${icon_svg} ${icon_png}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:tarvolent-icon> ${icon_svg} ${icon_png} 48
    DEPENDS tarvolent-icon
    COMMENT "Drawing the desktop icon"
    VERBATIM)
add_custom_target(tarvolent_icon ALL DEPENDS ${icon_svg} ${icon_png})
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${icon_png} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/48x48/apps)

install(FILES ${packaging_source}/borealix.socket DESTINATION ${TARVOLENT_SYSTEMD_DIR})
install(FILES ${packaging_source}/borealix.sysusers DESTINATION ${TARVOLENT_SYSUSERS_DIR}
        RENAME borealix.conf)
# Metrics for node_exporter every minute, once an administrator enables the timer.
install(FILES ${packaging_source}/tarvolent-metrics.timer DESTINATION ${TARVOLENT_SYSTEMD_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/fleet.md DESTINATION ${TARVOLENT_DOC_DIR})

# Files that name installed paths are written at install time, so they name
# the prefix installed to (cmake --install --prefix, or the package's /usr).
# Manual pages are installed compressed, as man reads them.
function(tarvolent_install_configured source destination)
    cmake_parse_arguments(C "GZIP" "" "" ${ARGN})
    install(CODE "
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        set(TARVOLENT_CONFIGURE_SOURCE \"${source}\")
        set(TARVOLENT_CONFIGURE_DESTINATION \"${destination}\")
        set(TARVOLENT_CONFIGURE_GZIP \"${C_GZIP}\")
        set(TARVOLENT_GZIP \"${TARVOLENT_GZIP}\")
        set(TARVOLENT_PROGRAM_DIR \"${TARVOLENT_PROGRAM_DIR}\")
        set(TARVOLENT_SYSTEMD_DIR \"${TARVOLENT_SYSTEMD_DIR}\")
        set(TARVOLENT_SYSUSERS_DIR \"${TARVOLENT_SYSUSERS_DIR}\")
        include(\"${PROJECT_SOURCE_DIR}/cmake/InstallConfiguredFile.cmake\")")
endfunction()
tarvolent_install_configured(${packaging_source}/borealix.service.in
                             ${TARVOLENT_SYSTEMD_DIR}/borealix.service)
tarvolent_install_configured(${packaging_source}/tarvolent-metrics.service.in
                             ${TARVOLENT_SYSTEMD_DIR}/tarvolent-metrics.service)
tarvolent_install_configured(${packaging_source}/tarvolent.1.in
                             ${CMAKE_INSTALL_MANDIR}/man1/tarvolent.1 GZIP)
tarvolent_install_configured(${packaging_source}/tarvolent-cli.1.in
                             ${CMAKE_INSTALL_MANDIR}/man1/tarvolent-cli.1 GZIP)
