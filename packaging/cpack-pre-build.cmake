# Run by CPack for each package, on the files it has staged, before it
# packs them.

# The installer keeps each file's time and so does the zip: the build's
# wall-clock time would make every package different. The commit's time
# instead.
file(GLOB_RECURSE corvell_staged "${CPACK_TEMPORARY_DIRECTORY}/*")
execute_process(COMMAND touch -d "@${CPACK_CORVELL_SOURCE_DATE_EPOCH}" ${corvell_staged}
                RESULT_VARIABLE corvell_rc)
if(NOT corvell_rc EQUAL 0)
  message(FATAL_ERROR "could not set the staged files' times: ${corvell_rc}")
endif()
