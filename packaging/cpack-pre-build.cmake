# Run by CPack for each package, on the files it has staged, before it
# packs them.

# A release says what it changes for users: no package without its
# version's entry in CHANGELOG.md.
string(REPLACE "." "\\." corvell_version_re "${CPACK_PACKAGE_VERSION}")
file(STRINGS "${CPACK_CORVELL_CHANGELOG}" corvell_entry REGEX "^## ${corvell_version_re}( |$)")
if(NOT corvell_entry)
  message(FATAL_ERROR "CHANGELOG.md has no entry for ${CPACK_PACKAGE_VERSION} "
                      "(a heading \"## ${CPACK_PACKAGE_VERSION}\"); write it first")
endif()

# The installer keeps each file's time and so does the zip: the build's
# wall-clock time would make every package different. The commit's time
# instead.
file(GLOB_RECURSE corvell_staged "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(COMMAND touch -d "@${CPACK_CORVELL_SOURCE_DATE_EPOCH}" ${corvell_staged}
                RESULT_VARIABLE corvell_rc)
if(NOT corvell_rc EQUAL 0)
  message(FATAL_ERROR "could not set the staged files' times: ${corvell_rc}")
endif()
