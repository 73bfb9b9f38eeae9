# Embeds every resource that assets/manifest.txt lists into a GResource bundle compiled into the
# executable. Entries are left uncompressed so a look-up returns a pointer into the program's own
# read-only data (no copy).
#
# The manifest is read by cmake/Manifest.cmake. Resource paths inside the bundle are /fernhollow/TYPE/ID.
include(${CMAKE_CURRENT_LIST_DIR}/Manifest.cmake)

function(fernhollow_add_resources target manifest)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  set(gen ${CMAKE_BINARY_DIR}/generated/${target})
  file(MAKE_DIRECTORY ${gen}/STRING)
  fernhollow_read_manifest(entry ${manifest} EXCLUDE ${ARG_EXCLUDE})
  set(xml "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gresources>\n  <gresource prefix=\"/fernhollow\">\n")
  set(deps ${manifest})
  foreach(name IN LISTS entry_ENTRIES)
    string(REPLACE "/" "_" key "${name}")
    set(value "${entry_${key}}")
    if(name MATCHES "^STRING/(.*)$")
      file(WRITE ${gen}/STRING/${CMAKE_MATCH_1}.txt "${value}")
      string(APPEND xml "    <file alias=\"${name}\">${gen}/STRING/${CMAKE_MATCH_1}.txt</file>\n")
    else()
      if(NOT EXISTS ${value})
        message(FATAL_ERROR "${manifest}: ${name} names ${value}, which does not exist")
      endif()
      list(APPEND deps ${value})
      string(APPEND xml "    <file alias=\"${name}\">${value}</file>\n")
    endif()
  endforeach()
  string(APPEND xml "  </gresource>\n</gresources>\n")
  file(WRITE ${gen}/resources.gresource.xml.in "${xml}")
  configure_file(${gen}/resources.gresource.xml.in ${gen}/resources.gresource.xml COPYONLY)

  add_custom_command(
    OUTPUT ${gen}/resources.c
    COMMAND ${GLIB_COMPILE_RESOURCES} --generate-source --target=${gen}/resources.c
            --c-name ${target} ${gen}/resources.gresource.xml
    DEPENDS ${gen}/resources.gresource.xml ${deps}
    COMMENT "Embedding resources for ${target}")
  add_library(${target} OBJECT ${gen}/resources.c)
  target_link_libraries(${target} PRIVATE PkgConfig::GIO)
  # The generated file uses GLib idioms that trip -Wextra; it is not our code.
  target_compile_options(${target} PRIVATE -w)
endfunction()

fernhollow_add_resources(fernhollow_resources ${CMAKE_SOURCE_DIR}/assets/manifest.txt)
