# Run by CPack on the files to be packaged: the programs' debug files beside
# them are dropped, since the package has each by build-id under
# /usr/lib/debug, where the report and frameline find it.
file(GLOB_RECURSE debug_files "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*.debug")
list(FILTER debug_files INCLUDE REGEX "/bin/[^/]+\\.debug$")
if(debug_files)
  file(REMOVE ${debug_files})
endif()
