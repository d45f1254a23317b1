# cmake --install: the program in a folder of its own with the read-only files it
# looks for beside itself (the help folder, under the help file's name), a link to it on the PATH, the remote
# control, and the desktop entry and icon where a Linux desktop's launcher finds them.
include(GNUInstallDirs)
set(TAPVOX_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/tapvox)
# Installed programs carry no symbols, as `cmake --install --strip` would leave them: the build tree keeps those.
install(CODE "set(CMAKE_INSTALL_DO_STRIP TRUE)")
if(TARGET tapvox)
    install(TARGETS tapvox RUNTIME DESTINATION ${TAPVOX_INSTALL_DIR})
    # The link resolves to the program's own folder, where it finds its help.
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(CREATE_LINK \"../${TAPVOX_INSTALL_DIR}/tapvox\" \"\${bin}/tapvox\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/tapvox\")")
endif()
if(TARGET tapvox-remote)
    install(TARGETS tapvox-remote RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/resources/help)
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/resources/help/ DESTINATION ${TAPVOX_INSTALL_DIR}/tapvox.chm)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/tapvox.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/tapvox.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
