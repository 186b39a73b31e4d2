# The package's documents, where Debian keeps them: the copyright file in
# the machine-readable format, with the license's text from LICENSE, and the
# changelog in Debian's format, made from CHANGELOG.md, compressed.
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quizruntime)
set(maintainer "Quiz Team maintainers <maintainers@users.noreply.c-seed-fb41870d.example>")

# A text as a field's continuation lines: each indented, an empty one ".".
function(quiz_debian_indent text out)
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text "${text}")
  set(${out} " ${text}" PARENT_SCOPE)
endfunction()

file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
quiz_debian_indent("${license}" license_text)
file(WRITE ${PROJECT_BINARY_DIR}/doc/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: quiz
Upstream-Contact: ${maintainer}
Comment: The runtime's archives (lib*.a) decode compressed debug sections
 with zlib and libzstd. A program linked with them through the CMake package
 or pkg-config links the system's static zlib (Zlib license) and libzstd
 (BSD-3-clause) into itself, on purpose: its report must not wait on the
 loader, nor on a heap that may be broken. Those libraries come from the
 packages zlib1g-dev and libzstd-dev, which this package depends on; it
 holds none of their code. The quiz and frameline load the shared
 libraries.

Files: *
Copyright: 2026 The Quiz Team
License: BSL-1.0

License: BSL-1.0
${license_text}
")

# Each "## VERSION (DATE)" section, its "- " items as entries.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md lines)
set(changelog "")
set(entry "")
set(date "")
function(quiz_close_version)
  if(NOT date)
    return()
  endif()
  execute_process(COMMAND date -R -u -d "${date} 12:00" OUTPUT_VARIABLE stamp
    OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(changelog "${changelog}\n -- ${maintainer}  ${stamp}\n\n" PARENT_SCOPE)
endfunction()
foreach(line IN LISTS lines)
  if(line MATCHES "^## ([^ ]+) \\(([0-9-]+)\\)")
    quiz_close_version()
    set(date ${CMAKE_MATCH_2})
    string(APPEND changelog "quizruntime (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
  elseif(date AND line MATCHES "^- (.*)")
    string(APPEND changelog "  * ${CMAKE_MATCH_1}\n")
  elseif(date AND line MATCHES "^  +(.*)")
    string(APPEND changelog "    ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
quiz_close_version()
string(REPLACE "`" "" changelog "${changelog}")
file(WRITE ${PROJECT_BINARY_DIR}/doc/changelog "${changelog}")

find_program(QUIZ_GZIP gzip)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
  COMMAND ${QUIZ_GZIP} -9nkf ${PROJECT_BINARY_DIR}/doc/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/CHANGELOG.md VERBATIM)
add_custom_target(debian_docs ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/doc/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
  DESTINATION ${doc_dir})
