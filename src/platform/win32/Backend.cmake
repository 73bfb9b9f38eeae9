# The Win32 backend: windows, dialogs and the registry of the Win32 API, OpenGL through WGL, sound
# through waveOut, DirectInput 8 for the input devices, pictures decoded by stb_image, resources in a
# compiled resource script. Cross-built with MinGW-w64 (cmake/mingw-w64-posix.cmake) and linked
# statically into Fernhollow.scr; the tests run under Wine (tests/win32).
enable_language(RC)
include(${CMAKE_SOURCE_DIR}/cmake/WindowsResources.cmake)

# Boost is used header-only. Only the boost headers are put on the include path: all of /usr/include
# would hand the MinGW compiler the Linux C library's headers.
find_path(FERNHOLLOW_BOOST_ROOT boost/version.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(FERNHOLLOW_BOOST_ONLY ${CMAKE_BINARY_DIR}/boost-headers)
file(MAKE_DIRECTORY ${FERNHOLLOW_BOOST_ONLY})
file(CREATE_LINK ${FERNHOLLOW_BOOST_ROOT}/boost ${FERNHOLLOW_BOOST_ONLY}/boost SYMBOLIC)
add_library(fernhollow_boost_headers INTERFACE)
target_include_directories(fernhollow_boost_headers SYSTEM INTERFACE ${FERNHOLLOW_BOOST_ONLY})
# stb_image and stb_vorbis (Debian's libstb-dev) by their own folder, for the same reason.
find_path(FERNHOLLOW_STB_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(FERNHOLLOW_PLATFORM_LIBRARIES gdi32 user32 comctl32 advapi32 shell32 dinput8 dxguid winmm)
set(FERNHOLLOW_ENGINE_LIBRARIES fernhollow_boost_headers opengl32 glu32)

# Every floor sees the same Windows headers, as the backend compiles them.
function(fernhollow_backend_floor platform)
  target_compile_definitions(${platform} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
    DIRECTINPUT_VERSION=0x0800)
  target_include_directories(${platform} SYSTEM PRIVATE ${FERNHOLLOW_STB_DIR})
  target_link_libraries(${platform} PUBLIC opengl32)
  # No MinGW runtime DLL beside the saver: it is one file that Windows copies and runs.
  target_link_options(${platform} INTERFACE -static -static-libgcc -static-libstdc++)
endfunction()

# The saver ships without the test entry of the string table (STRING 9); the tests' own resource build
# (tests/win32) has it.
fernhollow_add_win_resources(fernhollow_resources ${CMAKE_SOURCE_DIR}/assets/manifest.txt EXCLUDE STRING/9)

# A screen saver is a GUI program whose file name ends in .scr.
function(fernhollow_add_saver target resources)
  add_executable(${target} WIN32 ${CMAKE_SOURCE_DIR}/src/shell/main.cpp)
  target_compile_options(${target} PRIVATE ${FERNHOLLOW_WARNINGS})
  target_link_libraries(${target} PRIVATE fernhollow_core ${resources})
  set_target_properties(${target} PROPERTIES SUFFIX ".scr")
endfunction()

# The program, Fernhollow.scr, and its installer.
set(FERNHOLLOW_TEST_DIR tests/win32)
macro(fernhollow_add_program)
  fernhollow_add_saver(Fernhollow fernhollow_resources)
  # Stripped: the debugging symbols of a static build would be most of the file.
  target_link_options(Fernhollow PRIVATE -s)

  # The installer: NSIS, 64-bit, with an uninstaller.
  find_program(MAKENSIS makensis)
  if(MAKENSIS)
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/FernhollowSetup.exe
      COMMAND ${MAKENSIS} -V2 -DSAVER=$<TARGET_FILE:Fernhollow> -DOUTFILE=${CMAKE_BINARY_DIR}/FernhollowSetup.exe
              -DVERSION=${PROJECT_VERSION} ${CMAKE_SOURCE_DIR}/data/windows/installer.nsi
      DEPENDS Fernhollow ${CMAKE_SOURCE_DIR}/data/windows/installer.nsi
      COMMENT "Building the installer")
    add_custom_target(installer ALL DEPENDS ${CMAKE_BINARY_DIR}/FernhollowSetup.exe)
  else()
    message(WARNING "makensis not found: no installer (Debian's nsis package)")
  endif()
endmacro()
