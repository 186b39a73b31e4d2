# The runtime as a CMake package. `cmake --install` puts its libraries, the
# headers a program uses and QuizRuntimeConfig.cmake under the prefix; a
# project elsewhere writes find_package(QuizRuntime CONFIG REQUIRED) and
# links QuizRuntime::runtime or QuizRuntime::report.
include(CMakePackageConfigHelpers)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/QuizRuntime)
set(include_dir ${CMAKE_INSTALL_INCLUDEDIR}/QuizRuntime)

# Every library a program links, by the name it has in the package:
# QuizRuntime::runtime and QuizRuntime::report are the two a program names.
set(libraries
  quiz_base base
  quiz_platform platform
  quiz_system system
  quiz_demangle demangle
  quiz_console console
  quiz_exe exe
  quiz_dwarf dwarf
  quiz_reporting reporting
  quiz_runtime core
  quiz_runtime_program runtime
  quiz_report report)
set(targets "")
while(libraries)
  list(POP_FRONT libraries target name)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  list(APPEND targets ${target})
endwhile()
install(TARGETS ${targets} EXPORT QuizRuntimeTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT QuizRuntimeTargets NAMESPACE QuizRuntime:: DESTINATION ${package_dir})

# The headers keep their folders, as programs include them
# ("runtime/start.h"); the platform folders' own stay out, and so does the
# report's, which need the readers of dwarf/. Each one installed compiles on
# its own.
install(DIRECTORY base console runtime DESTINATION ${include_dir} FILES_MATCHING PATTERN "*.h")
file(GLOB platform_headers ${PROJECT_SOURCE_DIR}/platform/*.h)
install(FILES ${platform_headers} DESTINATION ${include_dir}/platform)

# The executable reader links the compression libraries it was built with;
# a program linking the archive finds them again.
get_target_property(exe_libraries quiz_exe LINK_LIBRARIES)
set(QUIZ_PACKAGE_ZLIB OFF)
set(QUIZ_PACKAGE_ZSTD OFF)
if(exe_libraries MATCHES "ZLIB::ZLIB")
  set(QUIZ_PACKAGE_ZLIB ON)
endif()
if(exe_libraries MATCHES "Zstd::Zstd")
  set(QUIZ_PACKAGE_ZSTD ON)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/FindZstd.cmake DESTINATION ${package_dir})
endif()

configure_package_config_file(cmake/QuizRuntimeConfig.cmake.in
  ${PROJECT_BINARY_DIR}/QuizRuntimeConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QuizRuntimeConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QuizRuntimeConfig.cmake
  ${PROJECT_BINARY_DIR}/QuizRuntimeConfigVersion.cmake DESTINATION ${package_dir})

# The same for programs built without CMake, through pkg-config.
include(${CMAKE_CURRENT_LIST_DIR}/pkg_config.cmake)
