# Generates the extension loader's tables from the GL/glext.h the engine compiles against, so the
# entry-point names always match the installed header.
find_program(FERNHOLLOW_PYTHON3 NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
find_file(FERNHOLLOW_GLEXT_H GL/glext.h HINTS ${OPENGL_INCLUDE_DIR} REQUIRED)

set(FERNHOLLOW_EXTENSION_TABLE ${CMAKE_BINARY_DIR}/generated/ExtensionTable.cpp)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/generated)
set(_ext_tools ${CMAKE_SOURCE_DIR}/tools)
add_custom_command(
  OUTPUT ${FERNHOLLOW_EXTENSION_TABLE}
  COMMAND ${FERNHOLLOW_PYTHON3} ${_ext_tools}/gen_gl_extensions.py
          --glext ${FERNHOLLOW_GLEXT_H}
          --gl-list ${_ext_tools}/gl_extensions.txt
          --wgl-list ${_ext_tools}/wgl_extensions.txt
          --output ${FERNHOLLOW_EXTENSION_TABLE}
  DEPENDS ${_ext_tools}/gen_gl_extensions.py ${_ext_tools}/gl_extensions.txt
          ${_ext_tools}/wgl_extensions.txt ${FERNHOLLOW_GLEXT_H}
  COMMENT "Generating the GL extension tables"
  VERBATIM)
target_sources(fernhollow_engine PRIVATE ${FERNHOLLOW_EXTENSION_TABLE})
