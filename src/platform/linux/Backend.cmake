# The Linux backend: X11 through SDL2 and Xlib, dialogs with GTK 3, resources in a GResource bundle,
# sound through OpenAL Soft and ALURE, pictures decoded by DevIL.
find_package(PkgConfig REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(Boost 1.74 REQUIRED)
find_library(GLU_LIBRARY GLU REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(XINERAMA REQUIRED IMPORTED_TARGET xinerama)
pkg_check_modules(XEXT REQUIRED IMPORTED_TARGET xext)
pkg_check_modules(XRANDR REQUIRED IMPORTED_TARGET xrandr)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(ALURE REQUIRED IMPORTED_TARGET alure)
pkg_check_modules(DEVIL REQUIRED IMPORTED_TARGET IL)
find_program(GLIB_COMPILE_RESOURCES glib-compile-resources REQUIRED)

set(FERNHOLLOW_PLATFORM_LIBRARIES PkgConfig::SDL2 PkgConfig::GIO PkgConfig::GTK3 PkgConfig::X11
    OpenGL::GL OpenGL::GLX PkgConfig::OPENAL PkgConfig::ALURE PkgConfig::DEVIL PkgConfig::XINERAMA
    PkgConfig::ALSA PkgConfig::XEXT PkgConfig::XRANDR)

set(FERNHOLLOW_ENGINE_LIBRARIES Boost::boost OpenGL::GL ${GLU_LIBRARY})

include(${CMAKE_SOURCE_DIR}/cmake/Resources.cmake)

# The program, fernhollow, installed as an X11 screen saver and packaged for Debian.
set(FERNHOLLOW_TEST_DIR tests)
macro(fernhollow_add_program)
  add_executable(fernhollow ${CMAKE_SOURCE_DIR}/src/shell/main.cpp)
  target_compile_options(fernhollow PRIVATE ${FERNHOLLOW_WARNINGS})
  target_link_libraries(fernhollow PRIVATE fernhollow_core fernhollow_resources)
  install(TARGETS fernhollow RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  include(${CMAKE_SOURCE_DIR}/cmake/Install.cmake)
  include(${CMAKE_SOURCE_DIR}/cmake/Package.cmake)
endmacro()
