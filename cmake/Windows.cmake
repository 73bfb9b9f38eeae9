# The native Windows build: the same sources above the platform floor, src/platform/win32/ as the
# backend, every resource in a compiled resource script, linked statically into Fernhollow.scr.
# Cross-built with MinGW-w64 (cmake/mingw-w64-posix.cmake); the tests run under Wine (tests/win32).
enable_language(RC)
include(cmake/WindowsResources.cmake)

# Boost is used header-only. Only the boost headers are put on the include path: all of /usr/include
# would hand the MinGW compiler the Linux C library's headers.
find_path(FERNHOLLOW_BOOST_ROOT boost/version.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(boost_only ${CMAKE_BINARY_DIR}/boost-headers)
file(MAKE_DIRECTORY ${boost_only})
file(CREATE_LINK ${FERNHOLLOW_BOOST_ROOT}/boost ${boost_only}/boost SYMBOLIC)
# stb_image and stb_vorbis (Debian's libstb-dev) by their own folder, for the same reason.
find_path(FERNHOLLOW_STB_DIR stb_image.h PATHS /usr/include/stb NO_CMAKE_FIND_ROOT_PATH REQUIRED)

set(FERNHOLLOW_WIN32_LIBRARIES opengl32 glu32 gdi32 user32 comctl32 advapi32 shell32 dinput8 dxguid winmm)
# No MinGW runtime DLL beside the saver: it is one file that Windows copies and runs.
set(FERNHOLLOW_STATIC_LINK -static -static-libgcc -static-libstdc++)

# The floors above the platform and the win32 backend, in one library (the Linux build checks that no
# include runs back up a floor; the sources are the same).
set(FERNHOLLOW_PLATFORM win32)
file(GLOB FERNHOLLOW_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
foreach(floor engine scene config shell)
  file(GLOB_RECURSE floor_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${floor}/*.cpp)
  list(APPEND FERNHOLLOW_SOURCES ${floor_sources})
endforeach()
list(FILTER FERNHOLLOW_SOURCES EXCLUDE REGEX ".*/src/shell/main\\.cpp$")

# Named after the engine floor, which the extension tables (cmake/Extensions.cmake) are added to.
add_library(fernhollow_engine STATIC ${FERNHOLLOW_SOURCES})
target_include_directories(fernhollow_engine PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_include_directories(fernhollow_engine SYSTEM PUBLIC ${boost_only})
target_include_directories(fernhollow_engine SYSTEM PRIVATE ${FERNHOLLOW_STB_DIR})
target_compile_definitions(fernhollow_engine PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
  DIRECTINPUT_VERSION=0x0800)
target_compile_options(fernhollow_engine PRIVATE ${FERNHOLLOW_WARNINGS})
target_link_libraries(fernhollow_engine PUBLIC ${FERNHOLLOW_WIN32_LIBRARIES})
target_link_options(fernhollow_engine INTERFACE ${FERNHOLLOW_STATIC_LINK})
include(cmake/Extensions.cmake)
add_library(fernhollow_core INTERFACE)
target_link_libraries(fernhollow_core INTERFACE fernhollow_engine)

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

if(FERNHOLLOW_TESTS)
  enable_testing()
  add_subdirectory(tests/win32)
endif()
