# Cross-compiling for Windows with mingw-w64, for the architecture the
# including toolchain file names in CORVELL_MINGW_ARCH.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CORVELL_MINGW_ARCH})
set(CMAKE_C_COMPILER ${CORVELL_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${CORVELL_MINGW_ARCH}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${CORVELL_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVELL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows programs built here run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
