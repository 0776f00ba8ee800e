# Read by cpack once per generator: the installer is ...-setup.exe.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "Corvell-${CPACK_PACKAGE_VERSION}-setup")
endif()
