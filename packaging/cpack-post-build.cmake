# Run by CPack after each package is made, while it still lies in CPack's
# own folder.

# CPack's zip holds each file's access and change times and the user id of
# whoever built it, which no input can fix. Info-ZIP without extra fields
# (-X) keeps only the file's time (already the commit's), in the order
# given; its DOS time is local time, so it is made in UTC, and without the
# options that zip takes from the environment.
if(CPACK_GENERATOR STREQUAL "ZIP")
  list(GET CPACK_PACKAGE_FILES 0 corvell_zip)
  file(GLOB_RECURSE corvell_files RELATIVE "${CPACK_TOPLEVEL_DIRECTORY}"
       "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT corvell_files)
  file(REMOVE "${corvell_zip}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC --unset=ZIP --unset=ZIPOPT
                          "${CPACK_CORVELL_ZIP}" -X -q "${corvell_zip}" ${corvell_files}
                  WORKING_DIRECTORY "${CPACK_TOPLEVEL_DIRECTORY}"
                  RESULT_VARIABLE corvell_rc)
  if(NOT corvell_rc EQUAL 0)
    message(FATAL_ERROR "zip failed: ${corvell_rc}")
  endif()
endif()

# SHA256SUMS, as sha256sum -c reads it, for both packages as they will lie
# in the build folder: the one just made is copied there unchanged.
set(corvell_sums "")
foreach(corvell_name IN ITEMS "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-setup.exe"
                              "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-win32.zip")
  set(corvell_path "${CPACK_PACKAGE_DIRECTORY}/${corvell_name}")
  foreach(corvell_made IN LISTS CPACK_PACKAGE_FILES)
    get_filename_component(corvell_made_name "${corvell_made}" NAME)
    if(corvell_made_name STREQUAL corvell_name)
      set(corvell_path "${corvell_made}")
    endif()
  endforeach()
  if(EXISTS "${corvell_path}")
    file(SHA256 "${corvell_path}" corvell_hash)
    string(APPEND corvell_sums "${corvell_hash}  ${corvell_name}\n")
  endif()
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${corvell_sums}")
