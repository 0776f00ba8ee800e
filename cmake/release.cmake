# What a Windows user downloads, made by
#   cmake --build --preset mingw --target package
# Corvell-<version>-win32.zip (portable) and Corvell-<version>-setup.exe
# (NSIS, per user), both in the build folder, and SHA256SUMS beside them.
#
# The same commit gives the same bytes, in any folder at any time. Every
# time stamp is SOURCE_DATE_EPOCH (cmake/source-date.cmake): ld and the
# help file take it in the build (windows.cmake, help.cmake); for the
# packages, packaging/cpack-pre-build.cmake sets the staged files' times to
# it (NSIS stores them in the installer) and packaging/cpack-post-build.cmake
# makes the zip again with Info-ZIP, since CPack's zip holds each file's
# access and change times and the builder's user id. The installer's own PE
# header keeps the time stamp of NSIS's stub: the same in every build made
# with the same NSIS.

find_program(ICONV_EXECUTABLE iconv)
find_program(ZIP_EXECUTABLE zip)
if(NOT TARGET corvell_help OR NOT ICONV_EXECUTABLE OR NOT ZIP_EXECUTABLE)
  message(STATUS "No help.chm, iconv or zip, so no release package")
  return()
endif()

# The guide in the zip is for Notepad on Chinese Windows. The program is
# for the 95/98/Me family too, whose Notepad knows only the ANSI code page
# and CRLF line ends: code page 936 (GBK) with CRLF is what every Chinese
# Notepad shows. Its name is ASCII because unzip tools disagree on how a
# zip stores other names.
set(corvell_guide_utf8 "${CMAKE_BINARY_DIR}/packaging/readme-utf8.txt")
set(corvell_guide "${CMAKE_BINARY_DIR}/packaging/readme.txt")
configure_file(packaging/readme.txt.in "${corvell_guide_utf8}" @ONLY NEWLINE_STYLE CRLF)
add_custom_command(
  OUTPUT "${corvell_guide}"
  COMMAND "${ICONV_EXECUTABLE}" -f UTF-8 -t CP936 -o "${corvell_guide}" "${corvell_guide_utf8}"
  DEPENDS "${corvell_guide_utf8}"
  COMMENT "Guide in code page 936"
  VERBATIM)
add_custom_target(corvell_guide ALL DEPENDS "${corvell_guide}")

install(TARGETS corvell RUNTIME DESTINATION .)
install(FILES "${CORVELL_HELP_CHM}" "${corvell_guide}" DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Corvell)
set(CPACK_PACKAGE_VENDOR "${CORVELL_PUBLISHER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Corvell-${PROJECT_VERSION}-win32")
set(CPACK_CORVELL_VERSION_QUAD "${CORVELL_VERSION_QUAD}")
# The installer is our own script (packaging/NSIS.template.in), not CPack's.
set(CPACK_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}/../packaging")
set(CPACK_NSIS_MUI_ICON "${CMAKE_CURRENT_LIST_DIR}/../res/corvell.ico")
# Names each package after its generator.
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/../packaging/cpack-names.cmake")
set(CPACK_CORVELL_SOURCE_DATE_EPOCH "${CORVELL_SOURCE_DATE_EPOCH}")
set(CPACK_CORVELL_CHANGELOG "${CMAKE_CURRENT_LIST_DIR}/../CHANGELOG.md")
set(CPACK_CORVELL_ZIP "${ZIP_EXECUTABLE}")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/../packaging/cpack-pre-build.cmake")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/../packaging/cpack-post-build.cmake")
include(CPack)
