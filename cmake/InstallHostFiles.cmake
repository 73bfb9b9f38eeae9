# Runs at install time (see Install.cmake): links the program into the hack directory, writes the
# settings' desktop entry, the screen-saver entry MATE and Xfce list, xsecurelock's saver and the
# fernhollow-choose helper with the installed program's path.
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
fernhollow_installed_path(xsecurelock_dir "${FERNHOLLOW_XSECURELOCK_DIR}")
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
function(fernhollow_desktop_exec out path)
  set(exec "${path}")
  if(path MATCHES "[ \t\"'`$\\\\<>~|&;*?#()]")
    string(REPLACE "\\" "\\\\\\\\" quoted "${path}")
    string(REPLACE "\"" "\\\\\"" quoted "${quoted}")
    string(REPLACE "`" "\\\\`" quoted "${quoted}")
    string(REPLACE "$" "\\\\$" quoted "${quoted}")
    set(exec "\"${quoted}\"")
  endif()
  set(${out} "${exec}" PARENT_SCOPE)
endfunction()

set(FERNHOLLOW_PROGRAM "${program}")
fernhollow_desktop_exec(FERNHOLLOW_EXEC "${program}")
set(entry "$ENV{DESTDIR}${applications_dir}/fernhollow-settings.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${FERNHOLLOW_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")

# MATE's and Xfce's screen savers list the entries in applications/screensavers/ and run only programs
# in their own folders and XScreenSaver's hack directory: the entry runs the program from there.
set(FERNHOLLOW_HACK_PROGRAM "${program}")
if(NOT hack_dir STREQUAL bin_dir)
  set(FERNHOLLOW_HACK_PROGRAM "${hack_dir}/fernhollow")
endif()
fernhollow_desktop_exec(FERNHOLLOW_HACK_EXEC "${FERNHOLLOW_HACK_PROGRAM}")
set(entry "$ENV{DESTDIR}${applications_dir}/screensavers/fernhollow.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${FERNHOLLOW_SCREENSAVER_TEMPLATE}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")

# xsecurelock takes a saver by its path or its name in its own folder, without arguments: a script
# that runs the program with --root. The path is quoted for the shell.
string(REPLACE "'" "'\\''" quoted "${program}")
set(FERNHOLLOW_SH_PROGRAM "'${quoted}'")
set(saver "$ENV{DESTDIR}${xsecurelock_dir}/saver_fernhollow")
message(STATUS "Installing: ${saver}")
configure_file("${FERNHOLLOW_XSECURELOCK_TEMPLATE}" "${saver}" @ONLY)
file(CHMOD "${saver}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${saver}")

set(FERNHOLLOW_PROGRAM "${program}")
set(helper "$ENV{DESTDIR}${bin_dir}/fernhollow-choose")
message(STATUS "Installing: ${helper}")
configure_file("${FERNHOLLOW_CHOOSE_TEMPLATE}" "${helper}" @ONLY)
file(CHMOD "${helper}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
     WORLD_READ WORLD_EXECUTE)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${helper}")
