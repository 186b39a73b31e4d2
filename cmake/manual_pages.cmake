# The manual pages of the programs, frameline(1) and quiz(6), installed
# under the system's manual folders, compressed as it keeps them: gzip -9n,
# so that the same page gives the same bytes on every build.
find_program(QUIZ_GZIP gzip)
mark_as_advanced(QUIZ_GZIP)
set(pages "")
foreach(page frameline.1 quiz.6)
  string(REGEX REPLACE "^.*\\." "" section ${page})
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  if(QUIZ_GZIP)
    set(page_file ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${page_file}
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/man/${page}
      COMMAND ${QUIZ_GZIP} -9nf ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${source} VERBATIM)
  else()
    set(page_file ${source})
  endif()
  list(APPEND pages ${page_file})
  install(FILES ${page_file} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${pages})
