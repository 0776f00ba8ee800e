# Cross-compiling a 64-bit build of the same sources with mingw-w64, for
# running the Windows-side tests on a host that runs no 32-bit code. What
# is shipped is the 32-bit build (mingw-i686.cmake).
set(CORVELL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
