# Cross-compiling the 32-bit Windows executable with mingw-w64.
set(CORVELL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
