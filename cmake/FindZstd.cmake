# Finds the system's libzstd: Zstd_FOUND and the imported target Zstd::Zstd.
# find_path and find_library follow a cross build's root path, so a Windows
# build does not take the build machine's library.
# Zstd_USE_STATIC_LIBS takes the static library, for a program linked
# statically (as ZLIB_USE_STATIC_LIBS does for zlib).
find_path(Zstd_INCLUDE_DIR zstd.h)
if(Zstd_USE_STATIC_LIBS)
  find_library(Zstd_LIBRARY NAMES libzstd.a zstd_static)
else()
  find_library(Zstd_LIBRARY NAMES zstd)
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Zstd REQUIRED_VARS Zstd_LIBRARY Zstd_INCLUDE_DIR)
if(Zstd_FOUND AND NOT TARGET Zstd::Zstd)
  add_library(Zstd::Zstd UNKNOWN IMPORTED)
  set_target_properties(Zstd::Zstd PROPERTIES IMPORTED_LOCATION "${Zstd_LIBRARY}"
    INTERFACE_INCLUDE_DIRECTORIES "${Zstd_INCLUDE_DIR}")
endif()
mark_as_advanced(Zstd_INCLUDE_DIR Zstd_LIBRARY)
