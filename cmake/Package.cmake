# The Debian package: cpack -G DEB in the build folder (scripts/package.sh) makes
# fernhollow_<version>_amd64.deb, installing into /usr. Its dependencies are computed from the
# shared libraries the program links (dpkg-shlibdeps).

# Debian's documentation of the package: its copyright and its changelog, compressed.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/data/debian/changelog > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/data/debian/changelog VERBATIM)
add_custom_target(fernhollow_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/data/debian/copyright ${CMAKE_BINARY_DIR}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/fernhollow)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fernhollow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tallowmere Studios")
set(CPACK_PACKAGE_CONTACT "Fernhollow maintainers <maintainers@tallowmere.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated forest screen saver")
set(CPACK_PACKAGE_DESCRIPTION "An animated forest drawn with OpenGL: swaying plants, a deer, a rabbit,
a woodpecker and beams of light, with bird song, an optional clock and a
frame-rate counter. It runs under XScreenSaver (fernhollow-choose makes it
XScreenSaver's choice) and on its own with /s; its settings dialog is
Fernhollow Settings in the desktop's menu.")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
# The install scripts write absolute paths (the desktop entry's program): install as into /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
