# The installed layout, as packages lay out a Linux system: the program
# directory lib/tarvolent with links into it from bin/, the desktop entry and
# its icon, the man pages, and the system service's units and group.
# Included once every target exists.

set(TARVOLENT_PROGRAM_DIR lib/tarvolent)
set(TARVOLENT_SYSTEMD_DIR lib/systemd/system)
set(TARVOLENT_SYSUSERS_DIR lib/sysusers.d)
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

install(FILES ${packaging_source}/tarvolent.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)

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

# Files that name installed paths are written at install time, so they name
# the prefix installed to (cmake --install --prefix, or the package's /usr).
function(tarvolent_install_configured source destination)
    install(CODE "
        set(PROJECT_VERSION \"${PROJECT_VERSION}\")
        set(TARVOLENT_CONFIGURE_SOURCE \"${source}\")
        set(TARVOLENT_CONFIGURE_DESTINATION \"${destination}\")
        set(TARVOLENT_PROGRAM_DIR \"${TARVOLENT_PROGRAM_DIR}\")
        set(TARVOLENT_SYSTEMD_DIR \"${TARVOLENT_SYSTEMD_DIR}\")
        set(TARVOLENT_SYSUSERS_DIR \"${TARVOLENT_SYSUSERS_DIR}\")
        include(\"${PROJECT_SOURCE_DIR}/cmake/InstallConfiguredFile.cmake\")")
endfunction()
tarvolent_install_configured(${packaging_source}/borealix.service.in
                             ${TARVOLENT_SYSTEMD_DIR}/borealix.service)
tarvolent_install_configured(${packaging_source}/tarvolent.1.in
                             ${CMAKE_INSTALL_MANDIR}/man1/tarvolent.1)
tarvolent_install_configured(${packaging_source}/tarvolent-cli.1.in
                             ${CMAKE_INSTALL_MANDIR}/man1/tarvolent-cli.1)
