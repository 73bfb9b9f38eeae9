# Runs at install time (see Install.cmake): links the program into the hack directory, writes the
# settings' desktop entry and the fernhollow-choose helper with the installed program's path.
# DESTDIR is honoured.

function(fernhollow_installed_path out path)
  if(IS_ABSOLUTE "${path}")
    set(${out} "${path}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${path}" PARENT_SCOPE)
  endif()
endfunction()

fernhollow_installed_path(bin_dir "${FERNHOLLOW_BINDIR}")
fernhollow_installed_path(hack_dir "${FERNHOLLOW_HACK_DIR}")
fernhollow_installed_path(applications_dir "${FERNHOLLOW_APPLICATIONS_DIR}")
set(program "${bin_dir}/fernhollow")

if(NOT hack_dir STREQUAL bin_dir)
  file(RELATIVE_PATH target "${hack_dir}" "${program}")
  set(link "$ENV{DESTDIR}${hack_dir}/fernhollow")
  message(STATUS "Installing: ${link} -> ${target}")
  file(MAKE_DIRECTORY "$ENV{DESTDIR}${hack_dir}")
  file(REMOVE "${link}")
  file(CREATE_LINK "${target}" "${link}" SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${link}")
endif()

# Exec quotes the path when it holds characters the desktop entry format reserves.
set(FERNHOLLOW_PROGRAM "${program}")
set(FERNHOLLOW_EXEC "${program}")
if(program MATCHES "[ \t\"'`$\\\\<>~|&;*?#()]")
  string(REPLACE "\\" "\\\\\\\\" quoted "${program}")
  string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
  string(REPLACE "`" "\\\\`" quoted "${quoted}")
  string(REPLACE "$" "\\\\$" quoted "${quoted}")
  set(FERNHOLLOW_EXEC "\"${quoted}\"")
endif()
set(entry "$ENV{DESTDIR}${applications_dir}/fernhollow-settings.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${FERNHOLLOW_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")

set(FERNHOLLOW_PROGRAM "${program}")
set(helper "$ENV{DESTDIR}${bin_dir}/fernhollow-choose")
message(STATUS "Installing: ${helper}")
configure_file("${FERNHOLLOW_CHOOSE_TEMPLATE}" "${helper}" @ONLY)
file(CHMOD "${helper}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${helper}")
