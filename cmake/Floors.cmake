# The program in floors, each a library that sees only its own headers and those of the floors below:
#   base      the exception type, the shared value types, the resource block (headers only)
#   platform  src/platform/*.h, implemented by the chosen backend src/platform/<FERNHOLLOW_PLATFORM>/
#   engine    the engine core with engine/ui/ and engine/services/
#   scene     sprites, the level factory and resources, the forest
#   config    settings
#   shell     entry and mode dispatch, saver run, preview, settings dialog (main() is the executable's)
# Sources keep their includes as "<floor>/Name.h". Each floor's include root build/include/<floor>/
# holds one link, <floor> -> src/<floor>, so a floor's own directory is visible only to the targets that
# link it, and an include that runs back up a floor does not compile.

set(FERNHOLLOW_FLOORS base platform engine scene config shell)

function(fernhollow_floor floor)
  cmake_parse_arguments(ARG "" "" "SOURCES;BELOW" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/include/${floor})
  set(link_target)
  if(IS_SYMLINK ${root}/${floor})
    file(READ_SYMLINK ${root}/${floor} link_target)
  endif()
  if(NOT link_target STREQUAL "${CMAKE_SOURCE_DIR}/src/${floor}")
    file(MAKE_DIRECTORY ${root})
    file(REMOVE ${root}/${floor})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${floor} ${root}/${floor} SYMBOLIC)
  endif()
  set(target fernhollow_${floor})
  if(ARG_SOURCES)
    add_library(${target} STATIC ${ARG_SOURCES})
    target_include_directories(${target} PUBLIC ${root})
    target_compile_options(${target} PRIVATE ${FERNHOLLOW_WARNINGS})
    target_link_libraries(${target} PUBLIC ${ARG_BELOW})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${root})
    target_link_libraries(${target} INTERFACE ${ARG_BELOW})
  endif()
endfunction()

function(fernhollow_floor_sources out)
  set(sources)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  set(${out} ${sources} PARENT_SCOPE)
endfunction()

fernhollow_floor(base)

# The backend's Backend.cmake finds its libraries: those of its own sources in
# FERNHOLLOW_PLATFORM_LIBRARIES, OpenGL, GLU and Boost's headers for the engine in
# FERNHOLLOW_ENGINE_LIBRARIES. It may add to the platform floor once it stands
# (fernhollow_backend_floor) and defines fernhollow_add_program.
set(FERNHOLLOW_PLATFORM_LIBRARIES)
set(FERNHOLLOW_ENGINE_LIBRARIES)
include(${FERNHOLLOW_PLATFORM_DIR}/Backend.cmake)
# Every backend compiles the shared code of src/platform/common/ beside its own.
file(GLOB FERNHOLLOW_PLATFORM_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/platform/common/*.cpp
  ${FERNHOLLOW_PLATFORM_DIR}/*.cpp ${FERNHOLLOW_PLATFORM_DIR}/*.c)
fernhollow_floor(platform SOURCES ${FERNHOLLOW_PLATFORM_SOURCES} BELOW fernhollow_base)
target_link_libraries(fernhollow_platform PRIVATE ${FERNHOLLOW_PLATFORM_LIBRARIES})
if(COMMAND fernhollow_backend_floor)
  fernhollow_backend_floor(fernhollow_platform)
endif()

fernhollow_floor_sources(engine_sources ${CMAKE_SOURCE_DIR}/src/engine)
fernhollow_floor(engine SOURCES ${engine_sources}
  BELOW fernhollow_platform ${FERNHOLLOW_ENGINE_LIBRARIES})
include(cmake/Extensions.cmake)
if(EXISTS ${CMAKE_SOURCE_DIR}/src/engine/Precompiled.h)
  target_precompile_headers(fernhollow_engine PRIVATE ${CMAKE_SOURCE_DIR}/src/engine/Precompiled.h)
endif()

fernhollow_floor_sources(scene_sources ${CMAKE_SOURCE_DIR}/src/scene)
fernhollow_floor(scene SOURCES ${scene_sources} BELOW fernhollow_engine)

fernhollow_floor_sources(config_sources ${CMAKE_SOURCE_DIR}/src/config)
fernhollow_floor(config SOURCES ${config_sources} BELOW fernhollow_scene)

fernhollow_floor_sources(shell_sources ${CMAKE_SOURCE_DIR}/src/shell)
list(FILTER shell_sources EXCLUDE REGEX ".*/src/shell/main\\.cpp$")
fernhollow_floor(shell SOURCES ${shell_sources} BELOW fernhollow_config)

# Everything but main(), so tests and tools link the same code.
add_library(fernhollow_core INTERFACE)
target_link_libraries(fernhollow_core INTERFACE fernhollow_shell)
