# The Debian package of the programs and the runtime, made in the build
# folder by `cpack -G DEB`: the programs in /usr/bin with their debug files
# under /usr/lib/debug by build-id, where the report looks for them, and the
# runtime's libraries, headers, CMake package and pkg-config files.
set(CPACK_PACKAGE_NAME quizruntime)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Quiz Team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Console quiz for beginners and its runtime with error reports")
# Lines of the extended description within 80 columns, as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION "A console quiz for beginners in programming, and the runtime it
stands on: buffered console streams, a start-up and exit path, and a run-time
error report whose frame lines name source lines. A program with its own main
gets a report of how it ended: why, in plain words, the failing line with a
caret under its column, and the values that led there. Programs on the runtime
are built with CMake (find_package(QuizRuntime)) or with pkg-config
(quizruntime, quizruntime-report).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(${CMAKE_CURRENT_LIST_DIR}/debian_docs.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Quiz Team maintainers <maintainers@users.noreply.c-seed-fb41870d.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The architecture is dpkg's own (dpkg --print-architecture), CPack's default.

# What the programs need at run time, read from them where dpkg-shlibdeps
# can; what a program linking the runtime's archives needs besides.
find_program(QUIZ_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(QUIZ_FILE_PROGRAM file)
mark_as_advanced(QUIZ_DPKG_SHLIBDEPS QUIZ_FILE_PROGRAM)
set(depends "")
if(QUIZ_DPKG_SHLIBDEPS AND QUIZ_FILE_PROGRAM)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND depends libc6 libstdc++6 libgcc-s1)
endif()
if(QUIZ_PACKAGE_ZLIB)
  list(APPEND depends zlib1g-dev)
endif()
if(QUIZ_PACKAGE_ZSTD)
  list(APPEND depends libzstd-dev)
endif()
list(JOIN depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS pkg-config)

# The debug files beside the programs stay out: the package has them by
# build-id only.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_files.cmake)

include(CPack)
