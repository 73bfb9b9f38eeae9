# Writes the Windows resource script for every resource that assets/manifest.txt lists, so the Windows
# executable embeds the same files as the Linux one: IMAGE and SOUND as custom resource types, BITMAP as
# bitmaps (windres drops the BMP file header), STRING entries as the string table. DIALOG entries take
# the DIALOGEX template of that id from src/platform/win32/dialogs/<id>.rc (the manifest's own files are
# the GTK layouts of the same dialogs).
#
# Every script also carries the program's icon (assets/icons/fernhollow.ico, painted by
# tools/art/icon.py: 16, 32, 48 and 256 pixels) and its VERSIONINFO (the product's name and
# PROJECT_VERSION), which Explorer and the installed-programs list show.
#
# And the application manifest (data/windows/Fernhollow.manifest, resource 1 of type RT_MANIFEST):
# per-monitor DPI awareness, Common Controls 6 and the Windows versions the saver knows.
#
#   fernhollow_add_win_resources(<target> <manifest> [EXCLUDE TYPE/ID ...])
# makes <target>, an object library holding the compiled script. The manifest is read by
# cmake/Manifest.cmake.
include(${CMAKE_CURRENT_LIST_DIR}/Manifest.cmake)

# Appends to <script> the script line of the application manifest, written into <gen> with the version.
function(fernhollow_append_app_manifest script gen)
  set(FERNHOLLOW_MANIFEST_VERSION ${PROJECT_VERSION})
  configure_file(${CMAKE_SOURCE_DIR}/data/windows/Fernhollow.manifest ${gen}/Fernhollow.manifest @ONLY)
  set_property(SOURCE ${gen}/resources.rc APPEND PROPERTY OBJECT_DEPENDS ${gen}/Fernhollow.manifest)
  # 1 is CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 is RT_MANIFEST.
  set(${script} "${${script}}\n1 24 \"${gen}/Fernhollow.manifest\"\n" PARENT_SCOPE)
endfunction()

function(fernhollow_add_win_resources target manifest)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  set(gen ${CMAKE_BINARY_DIR}/generated/${target})
  file(MAKE_DIRECTORY ${gen})
  fernhollow_read_manifest(entry ${manifest} EXCLUDE ${ARG_EXCLUDE})
  set(body "")
  set(strings "")
  set(deps)
  foreach(name IN LISTS entry_ENTRIES)
    string(REPLACE "/" "_" key "${name}")
    set(value "${entry_${key}}")
    string(REPLACE "/" ";" parts "${name}")
    list(GET parts 0 type)
    list(GET parts 1 id)
    if(type STREQUAL "STRING")
      # A resource script writes a quote inside a string as two.
      string(REPLACE "\"" "\"\"" text "${value}")
      string(APPEND strings "    ${id} \"${text}\"\n")
    elseif(type STREQUAL "DIALOG")
      set(template ${CMAKE_SOURCE_DIR}/src/platform/win32/dialogs/${id}.rc)
      if(NOT EXISTS ${template})
        message(FATAL_ERROR "${manifest}: dialog ${id} has no template ${template}")
      endif()
      string(APPEND body "#include \"${template}\"\n")
      set_property(SOURCE ${gen}/resources.rc APPEND PROPERTY OBJECT_DEPENDS ${template})
    else()
      string(APPEND body "${id} ${type} \"${value}\"\n")
      list(APPEND deps ${value})
    endif()
  endforeach()
  set(rc "// Generated from ${manifest}; edit that file instead.\n#include <windows.h>\n#include <winver.h>\n#include <commctrl.h>\n\n")
  if(strings)
    string(APPEND rc "STRINGTABLE\nBEGIN\n${strings}END\n\n")
  endif()
  string(APPEND rc "${body}")
  set(icon ${CMAKE_SOURCE_DIR}/assets/icons/fernhollow.ico)
  if(NOT EXISTS ${icon})
    message(FATAL_ERROR "The saver's icon ${icon} is missing (tools/art/generate.py --only icon paints it)")
  endif()
  list(APPEND deps ${icon})
  string(REPLACE "." "," version_numbers "${PROJECT_VERSION}")
  string(APPEND rc "
1 ICON \"${icon}\"

1 VERSIONINFO
FILEVERSION ${version_numbers}
PRODUCTVERSION ${version_numbers}
FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
FILEFLAGS 0
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
FILESUBTYPE VFT2_UNKNOWN
BEGIN
  BLOCK \"StringFileInfo\"
  BEGIN
    BLOCK \"040904B0\"
    BEGIN
      VALUE \"CompanyName\", \"Tallowmere Studio\"
      VALUE \"FileDescription\", \"Fernhollow Screensaver\"
      VALUE \"FileVersion\", \"${PROJECT_VERSION}\"
      VALUE \"InternalName\", \"Fernhollow\"
      VALUE \"OriginalFilename\", \"Fernhollow.scr\"
      VALUE \"ProductName\", \"Fernhollow Screensaver\"
      VALUE \"ProductVersion\", \"${PROJECT_VERSION}\"
    END
  END
  BLOCK \"VarFileInfo\"
  BEGIN
    VALUE \"Translation\", 0x409, 1200
  END
END
")
  fernhollow_append_app_manifest(rc ${gen})
  file(WRITE ${gen}/resources.rc.in "${rc}")
  configure_file(${gen}/resources.rc.in ${gen}/resources.rc COPYONLY)
  set_property(SOURCE ${gen}/resources.rc APPEND PROPERTY OBJECT_DEPENDS ${deps})
  add_library(${target} OBJECT ${gen}/resources.rc)
endfunction()
