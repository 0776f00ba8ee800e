# The Windows executable, its Win32 front end and its help file.
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/source-date.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/help.cmake)

add_library(corvell_win32 STATIC
  src/platform/win32/wide.cpp
  src/platform/win32/system_functions.cpp
  src/platform/win32/text_calls.cpp
  src/platform/win32/text_calls_ansi.cpp
  src/platform/win32/text_calls_wide.cpp
  src/platform/win32/window.cpp
  src/platform/win32/control_kinds.cpp
  src/platform/win32/native_form.cpp
  src/platform/win32/forms.cpp
  src/platform/win32/running_copy.cpp
  src/platform/win32/services.cpp
  src/platform/win32/program.cpp
)
target_link_libraries(corvell_win32 PUBLIC corvell_core comctl32)
# Calls name their A or W form explicitly (text_calls.h chooses at run
# time); the headers declare what Windows 2000 has, and the import check
# keeps the executable to what Windows 98 has.
target_compile_definitions(corvell_win32 PUBLIC WIN32_LEAN_AND_MEAN WINVER=0x0500
                           _WIN32_WINNT=0x0500 NOMINMAX)

add_executable(corvell WIN32 src/platform/win32/main.cpp res/corvell.rc)
target_link_libraries(corvell PRIVATE corvell_win32)
set_target_properties(corvell PROPERTIES OUTPUT_NAME corvell)

if(MINGW)
  # One executable that needs nothing beyond the system's own DLLs.
  # The program throws nothing and asks no type at run time: without the
  # tables for either the executable is a quarter smaller.
  # One thread: a static local needs no lock (nor the library's thread
  # support, whose semaphores are W functions).
  set(corvell_lean -ffunction-sections -fdata-sections -fno-exceptions -fno-rtti
      -fno-asynchronous-unwind-tables -fno-threadsafe-statics)
  target_sources(corvell PRIVATE src/platform/win32/no_exceptions.cpp)
  target_compile_options(corvell_core PRIVATE ${corvell_lean})
  target_compile_options(corvell_win32 PRIVATE ${corvell_lean})
  target_compile_options(corvell PRIVATE ${corvell_lean})
  target_link_options(corvell PRIVATE -static -static-libgcc -static-libstdc++
                      -Wl,--gc-sections $<$<CONFIG:MinSizeRel,Release>:-s>)
  # The same bytes from any folder at any time: no build path in the code
  # (__FILE__, debug information), and ld writes SOURCE_DATE_EPOCH, when it
  # finds it in its environment, as the PE header's time stamp.
  set(corvell_no_paths -ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
  target_compile_options(corvell_core PRIVATE ${corvell_no_paths})
  target_compile_options(corvell_win32 PRIVATE ${corvell_no_paths})
  target_compile_options(corvell PRIVATE ${corvell_no_paths})
  set_target_properties(corvell PROPERTIES CXX_LINKER_LAUNCHER
    "${CMAKE_COMMAND};-E;env;SOURCE_DATE_EPOCH=${CORVELL_SOURCE_DATE_EPOCH}")
endif()

# The version is set once, in project(); the version resource takes it from
# a generated header, the zip and the installer from cmake/release.cmake.
set(CORVELL_PUBLISHER "Corvell")
set(CORVELL_VERSION_QUAD ${PROJECT_VERSION_MAJOR})
foreach(part MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND CORVELL_VERSION_QUAD ".0")
  else()
    string(APPEND CORVELL_VERSION_QUAD ".${PROJECT_VERSION_${part}}")
  endif()
endforeach()
string(REPLACE "." "," CORVELL_VERSION_COMMAS ${CORVELL_VERSION_QUAD})
configure_file(res/corvell_version.h.in generated/corvell_version.h @ONLY)
configure_file(res/corvell.manifest.in generated/corvell.manifest @ONLY)
# Every program that takes the resources (the tests too) finds them here.
set(CORVELL_RESOURCE_DIR ${CMAKE_CURRENT_BINARY_DIR}/generated)
target_include_directories(corvell PRIVATE ${CORVELL_RESOURCE_DIR})

# The 64-bit build exists for the tests only.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  include(${CMAKE_CURRENT_LIST_DIR}/release.cmake)
endif()
