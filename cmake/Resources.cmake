# Embeds every resource that assets/manifest.txt lists into a GResource bundle compiled into the
# executable. Entries are left uncompressed so a look-up returns a pointer into the program's own
# read-only data (no copy).
#
# Manifest lines:  TYPE ID path-below-assets      e.g.  IMAGE 128 images/background.jpg
#                  STRING ID "text"               e.g.  STRING 1 "Fernhollow Screensaver"
# Resource paths inside the bundle are /fernhollow/TYPE/ID.

function(fernhollow_add_resources target manifest)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  set(gen ${CMAKE_BINARY_DIR}/generated/${target})
  file(MAKE_DIRECTORY ${gen}/STRING)
  file(STRINGS ${manifest} lines)
  set(xml "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gresources>\n  <gresource prefix=\"/fernhollow\">\n")
  set(deps ${manifest})
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "" OR line MATCHES "^#")
      continue()
    endif()
    if(NOT line MATCHES "^([A-Z]+)[ \t]+([0-9]+)[ \t]+(.+)$")
      message(FATAL_ERROR "${manifest}: cannot read the line '${line}'")
    endif()
    set(type ${CMAKE_MATCH_1})
    set(id ${CMAKE_MATCH_2})
    set(value ${CMAKE_MATCH_3})
    if("${type}/${id}" IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    if(type STREQUAL "STRING")
      if(NOT value MATCHES "^\"(.*)\"$")
        message(FATAL_ERROR "${manifest}: string ${id} must be quoted")
      endif()
      set(text "${CMAKE_MATCH_1}")
      file(WRITE ${gen}/STRING/${id}.txt "${text}")
      string(APPEND xml "    <file alias=\"STRING/${id}\">${gen}/STRING/${id}.txt</file>\n")
    else()
      set(path ${CMAKE_SOURCE_DIR}/assets/${value})
      if(NOT EXISTS ${path})
        message(FATAL_ERROR "${manifest}: ${type} ${id} names ${value}, which does not exist")
      endif()
      list(APPEND deps ${path})
      string(APPEND xml "    <file alias=\"${type}/${id}\">${path}</file>\n")
    endif()
  endforeach()
  string(APPEND xml "  </gresource>\n</gresources>\n")
  file(WRITE ${gen}/resources.gresource.xml.in "${xml}")
  configure_file(${gen}/resources.gresource.xml.in ${gen}/resources.gresource.xml COPYONLY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})

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
