# Builds help.chm from the HTML Help project in help/ with chmcmd (Free Pascal).
# The program opens help.chm from its own folder, so it lands next to the
# executables in the top of the build tree.

find_program(CHMCMD_EXECUTABLE chmcmd)
if(NOT CHMCMD_EXECUTABLE)
  if(CMAKE_HOST_WIN32)
    # On Windows the help file can be made with HTML Help Workshop instead.
    message(WARNING "chmcmd not found: help.chm is not built (hhc help\\help.hhp makes it)")
    return()
  endif()
  message(FATAL_ERROR
    "chmcmd not found; it compiles the help file help.chm. "
    "Install it with the Debian package fp-utils (apt-get install fp-utils), "
    "or point CHMCMD_EXECUTABLE at it.")
endif()

# chmcmd cannot be told the time to stamp; a Perl script puts the commit's
# time in afterwards (chm-stamp.pl).
find_program(PERL_EXECUTABLE perl)
if(NOT PERL_EXECUTABLE)
  message(FATAL_ERROR "perl not found; it sets the time stamps in help.chm")
endif()

get_filename_component(CORVELL_HELP_DIR "${CMAKE_CURRENT_LIST_DIR}/../help" ABSOLUTE)
file(GLOB CORVELL_HELP_SOURCES CONFIGURE_DEPENDS "${CORVELL_HELP_DIR}/*")

set(CORVELL_HELP_CHM "${CMAKE_BINARY_DIR}/help.chm")
set(_corvell_help_work "${CMAKE_BINARY_DIR}/help-build")

# chmcmd writes into its working directory and can leave a partial file
# behind when it fails, so compile aside and copy only after success.
add_custom_command(
  OUTPUT "${CORVELL_HELP_CHM}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${_corvell_help_work}"
  COMMAND "${CMAKE_COMMAND}" -E rm -f "${_corvell_help_work}/help.chm"
  COMMAND "${CMAKE_COMMAND}" -E chdir "${_corvell_help_work}"
          "${CHMCMD_EXECUTABLE}" "${CORVELL_HELP_DIR}/help.hhp"
  COMMAND "${PERL_EXECUTABLE}" "${CMAKE_CURRENT_LIST_DIR}/chm-stamp.pl"
          "${_corvell_help_work}/help.chm" ${CORVELL_SOURCE_DATE_EPOCH}
  COMMAND "${CMAKE_COMMAND}" -E copy "${_corvell_help_work}/help.chm" "${CORVELL_HELP_CHM}"
  DEPENDS ${CORVELL_HELP_SOURCES} "${CMAKE_CURRENT_LIST_DIR}/chm-stamp.pl"
  COMMENT "Compiling help.chm"
  VERBATIM)

add_custom_target(corvell_help ALL DEPENDS "${CORVELL_HELP_CHM}")
