# Reads assets/manifest.txt, the list of every resource the program embeds, for both resource writers
# (cmake/Resources.cmake for the GResource bundle, cmake/WindowsResources.cmake for the resource script).
#
# Manifest lines:  TYPE ID path-below-assets      e.g.  IMAGE 128 images/background.jpg
#                  STRING ID "text"               e.g.  STRING 1 "Fernhollow Screensaver"
#                  DIALOG ID path-below-assets    the dialog's GTK layout (Windows: its template)
# Blank lines and lines starting with # are skipped.
#
#   fernhollow_read_manifest(<prefix> <manifest> [EXCLUDE TYPE/ID ...])
# sets <prefix>_ENTRIES to the entries in order, each TYPE/ID, and for each entry <prefix>_<TYPE>_<ID>
# to its value: a string's text without its quotes, or a file's full path (which must exist; a
# DIALOG's file is not checked, as the Windows build takes another). The manifest is a configure
# dependency.

function(fernhollow_read_manifest prefix manifest)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(STRINGS ${manifest} lines)
  set(entries)
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
    set(value "${CMAKE_MATCH_3}")
    if("${type}/${id}" IN_LIST entries)
      message(FATAL_ERROR "${manifest}: ${type} ${id} is listed twice")
    endif()
    if("${type}/${id}" IN_LIST ARG_EXCLUDE)
      continue()
    endif()
    if(type STREQUAL "STRING")
      if(NOT value MATCHES "^\"(.*)\"$")
        message(FATAL_ERROR "${manifest}: string ${id} must be quoted")
      endif()
      set(value "${CMAKE_MATCH_1}")
    else()
      set(value ${CMAKE_SOURCE_DIR}/assets/${value})
      if(NOT type STREQUAL "DIALOG" AND NOT EXISTS ${value})
        message(FATAL_ERROR "${manifest}: ${type} ${id} names ${CMAKE_MATCH_3}, which does not exist")
      endif()
    endif()
    list(APPEND entries "${type}/${id}")
    set(${prefix}_${type}_${id} "${value}" PARENT_SCOPE)
  endforeach()
  set(${prefix}_ENTRIES ${entries} PARENT_SCOPE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${manifest})
endfunction()
