# Installs fernhollow as an X11 screen saver: the program in bin/, a link to it where the screen-saver
# hosts look for their programs, XScreenSaver's description of it, the entry MATE's and Xfce's screen
# savers list, xsecurelock's saver, and a desktop entry that opens the settings dialog. Relative
# directories are below the install prefix, chosen when installing (cmake --install build --prefix
# <dir>); absolute ones are used as they are.

set(FERNHOLLOW_HACK_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver" CACHE STRING
  "Where X11 screen-saver hosts look for their programs (Debian's XScreenSaver: /usr/libexec/xscreensaver)")
set(FERNHOLLOW_HOST_CONFIG_DIR "${CMAKE_INSTALL_DATADIR}/xscreensaver/config" CACHE STRING
  "Where XScreenSaver reads the descriptions of its programs (Debian: /usr/share/xscreensaver/config)")
set(FERNHOLLOW_APPLICATIONS_DIR "${CMAKE_INSTALL_DATADIR}/applications" CACHE STRING
  "Where desktop entries go (the screen-saver entry for MATE and Xfce in its screensavers/)")
set(FERNHOLLOW_XSECURELOCK_DIR "${CMAKE_INSTALL_LIBEXECDIR}/xsecurelock" CACHE STRING
  "Where xsecurelock looks for its savers (Debian: /usr/libexec/xsecurelock)")

install(FILES ${CMAKE_SOURCE_DIR}/data/fernhollow.xml DESTINATION ${FERNHOLLOW_HOST_CONFIG_DIR})

# The manual page, compressed as Debian's man finds it (section 6, like the host's own programs).
find_program(GZIP_PROGRAM gzip REQUIRED)
# fernhollow-choose's page points to it.
foreach(page fernhollow fernhollow-choose)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${page}.6.gz
    COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/data/${page}.6 > ${CMAKE_BINARY_DIR}/${page}.6.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/data/${page}.6 VERBATIM)
  list(APPEND FERNHOLLOW_MANUAL ${CMAKE_BINARY_DIR}/${page}.6.gz)
endforeach()
add_custom_target(fernhollow_manual ALL DEPENDS ${FERNHOLLOW_MANUAL})
install(FILES ${FERNHOLLOW_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# The link and the desktop entry name the installed program by its absolute path, which is known only
# when installing.
install(CODE "
  set(FERNHOLLOW_BINDIR \"${CMAKE_INSTALL_BINDIR}\")
  set(FERNHOLLOW_HACK_DIR \"${FERNHOLLOW_HACK_DIR}\")
  set(FERNHOLLOW_APPLICATIONS_DIR \"${FERNHOLLOW_APPLICATIONS_DIR}\")
  set(FERNHOLLOW_XSECURELOCK_DIR \"${FERNHOLLOW_XSECURELOCK_DIR}\")
  set(FERNHOLLOW_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/data/fernhollow-settings.desktop.in\")
  set(FERNHOLLOW_SCREENSAVER_TEMPLATE \"${CMAKE_SOURCE_DIR}/data/fernhollow-screensaver.desktop.in\")
  set(FERNHOLLOW_XSECURELOCK_TEMPLATE \"${CMAKE_SOURCE_DIR}/data/saver_fernhollow.in\")
  set(FERNHOLLOW_CHOOSE_TEMPLATE \"${CMAKE_SOURCE_DIR}/data/fernhollow-choose.in\")
")
install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/InstallHostFiles.cmake)
