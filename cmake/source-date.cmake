# CORVELL_SOURCE_DATE_EPOCH: the one time that every time stamp in the
# release is taken from, so that the same commit builds to the same bytes
# in any folder at any time. In order:
#   - SOURCE_DATE_EPOCH from the environment, when it is set;
#   - the time of the commit checked out (git log -1 --format=%ct);
#   - in a source tree without git, 315532800 (1980-01-01 00:00:00 UTC,
#     the earliest time a zip can hold).
# Read when CMake configures; a commit or checkout configures again.

set(CORVELL_SOURCE_DATE_DEFAULT 315532800)

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(CORVELL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  set(_corvell_epoch_from "the environment")
else()
  set(CORVELL_SOURCE_DATE_EPOCH ${CORVELL_SOURCE_DATE_DEFAULT})
  set(_corvell_epoch_from "no git work tree here")
  find_package(Git QUIET)
  if(GIT_FOUND)
    # Only this tree's own repository: an unpacked source archive inside
    # some other work tree must not take that one's commit.
    execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-prefix
                    WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                    RESULT_VARIABLE _corvell_git_rc OUTPUT_VARIABLE _corvell_git_prefix
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(_corvell_git_rc EQUAL 0 AND _corvell_git_prefix STREQUAL "")
      execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                      OUTPUT_VARIABLE _corvell_commit_time
                      ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(_corvell_commit_time MATCHES "^[0-9]+$")
        set(CORVELL_SOURCE_DATE_EPOCH ${_corvell_commit_time})
        set(_corvell_epoch_from "the commit's time")
      endif()
      # HEAD's log changes with every commit, checkout and reset.
      execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --path-format=absolute
                              --git-path logs/HEAD
                      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}"
                      OUTPUT_VARIABLE _corvell_head_log
                      ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(EXISTS "${_corvell_head_log}")
        set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY
                     CMAKE_CONFIGURE_DEPENDS "${_corvell_head_log}")
      endif()
    endif()
  endif()
endif()

if(NOT CORVELL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${CORVELL_SOURCE_DATE_EPOCH}', not seconds since 1970")
endif()
message(STATUS "Time stamps: SOURCE_DATE_EPOCH=${CORVELL_SOURCE_DATE_EPOCH} (${_corvell_epoch_from})")
