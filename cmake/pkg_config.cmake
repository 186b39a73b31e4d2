# The runtime for programs built without CMake: quizruntime.pc (a program on
# the process entry, as QuizRuntime::runtime) and quizruntime-report.pc (a
# program with its own main, as QuizRuntime::report, which needs the report
# archive and the wrap of main besides). Both are written from the targets'
# own link libraries, so they link what the CMake package links, in order.
# They name archives of one architecture, so they go where pkg-config looks
# for that architecture's: lib/<multiarch triplet>/pkgconfig where the
# toolchain has a triplet (as on Debian), else lib/pkgconfig.
set(pkg_config_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(CMAKE_LIBRARY_ARCHITECTURE AND NOT CMAKE_INSTALL_LIBDIR MATCHES "${CMAKE_LIBRARY_ARCHITECTURE}$")
  set(pkg_config_dir ${CMAKE_INSTALL_LIBDIR}/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
endif()

# The prefix relative to the .pc file, so that an installed tree can move.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(pc_prefix "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH pc_up /root/${pkg_config_dir} /root)
  string(REGEX REPLACE "/$" "" pc_up "${pc_up}")
  set(pc_prefix "\${pcfiledir}/${pc_up}")
endif()

# How a program names an external library: -lNAME for a shared library in
# a folder the linker searches anyway, the whole path otherwise (a static
# archive must not be traded for the shared library of the same name).
function(quiz_pc_external item out)
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
  # A decompressor that the installed programs take shared: the archives'
  # programs take the static one.
  string(REGEX REPLACE "^\\$<IF:\\$<BOOL:\\$<TARGET_PROPERTY:QUIZ_SHARED_DECOMPRESSORS>>,[^,]*,(.*)>$"
    "\\1" item "${item}")
  if(TARGET ${item})
    get_target_property(type ${item} TYPE)
    set(words "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(location ${item} IMPORTED_LOCATION)
      if(NOT location)
        get_target_property(configs ${item} IMPORTED_CONFIGURATIONS)
        list(GET configs 0 config)
        get_target_property(location ${item} IMPORTED_LOCATION_${config})
      endif()
      get_filename_component(dir "${location}" DIRECTORY)
      get_filename_component(name "${location}" NAME)
      set(shared_name "^${CMAKE_SHARED_LIBRARY_PREFIX}(.+)\\${CMAKE_SHARED_LIBRARY_SUFFIX}$")
      if(dir IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES AND name MATCHES "${shared_name}")
        set(words -l${CMAKE_MATCH_1})
      else()
        set(words "${location}")
      endif()
    endif()
    get_target_property(more ${item} INTERFACE_LINK_LIBRARIES)
    if(NOT more)
      set(more "")
    endif()
    foreach(next IN LISTS more)
      quiz_pc_external("${next}" next_words)
      list(APPEND words ${next_words})
    endforeach()
  elseif(item MATCHES "^-|^/|^$")
    set(words "${item}")
  else()
    set(words -l${item})
  endif()
  set(${out} "${words}" PARENT_SCOPE)
endfunction()

# The archives that target links, each before those it needs and, among
# those a target names, in its order (as CMake links them), then the
# external libraries they all need; those in the list named skip are left
# out, and the list gets those taken.
function(quiz_pc_libs target skip out)
  set(visited ${${skip}})
  set(archives "")
  set(externals "")
  # Depth first, each archive put in front once all it needs is placed:
  # the targets a target names are visited last to first.
  function(quiz_pc_visit node)
    get_target_property(type ${node} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(links ${node} INTERFACE_LINK_LIBRARIES)
    else()
      get_target_property(links ${node} LINK_LIBRARIES)
    endif()
    set(own "")
    foreach(link IN LISTS links)
      if(link IN_LIST targets)
        list(PREPEND own ${link})
      elseif(link)
        quiz_pc_external("${link}" words)
        list(APPEND externals ${words})
      endif()
    endforeach()
    foreach(link IN LISTS own)
      if(NOT link IN_LIST visited)
        list(APPEND visited ${link})
        quiz_pc_visit(${link})
      endif()
    endforeach()
    if(type STREQUAL "STATIC_LIBRARY")
      list(PREPEND archives "\${libdir}/$<TARGET_LINKER_FILE_NAME:${node}>")
    endif()
    set(visited "${visited}" PARENT_SCOPE)
    set(archives "${archives}" PARENT_SCOPE)
    set(externals "${externals}" PARENT_SCOPE)
  endfunction()
  list(APPEND visited ${target})
  quiz_pc_visit(${target})
  list(REMOVE_DUPLICATES externals)
  # Link options given as they are; those that hold a condition are the
  # CMake package's own.
  get_target_property(options ${target} INTERFACE_LINK_OPTIONS)
  foreach(option IN LISTS options)
    if(option AND NOT option MATCHES "\\$<")
      string(REGEX REPLACE "^LINKER:" "-Wl," option "${option}")
      list(APPEND externals "${option}")
    endif()
  endforeach()
  list(JOIN archives " " archives)
  list(JOIN externals " " externals)
  string(STRIP "${archives} ${externals}" libs)
  set(${out} "${libs}" PARENT_SCOPE)
  set(${skip} "${visited}" PARENT_SCOPE)
endfunction()

set(pc_taken "")
quiz_pc_libs(quiz_runtime_program pc_taken runtime_libs)
quiz_pc_libs(quiz_report pc_taken report_libs)

set(pc_head "prefix=${pc_prefix}
libdir=\${prefix}/${CMAKE_INSTALL_LIBDIR}
includedir=\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}/QuizRuntime
")
# The headers are C++17, the compiler's default: no -std is imposed. -g goes
# with the libraries, not the compiler flags, which are the program's own to
# choose: the report reads the program's line table, and a beginner's
# command line (an editor's build button) compiles and links in one, where
# the libraries' -g reaches the compiler too. A program compiled apart from
# its link adds -g to its own compile.
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/pkgconfig/quizruntime.pc CONTENT "${pc_head}
Name: quizruntime
Description: The quiz's runtime, for a program with its own unit table and main routine
Version: ${PROJECT_VERSION}
License: BSL-1.0
Cflags: -I\${includedir}
Libs: -g ${runtime_libs}
")
# A program linked statically takes the C library's thread start in under
# the name the runtime sees, and the C++ library's throw whole, to which the
# runtime's gives way.
set(report_static "")
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(report_static
    "Libs.private: -Wl,--undefined=__pthread_create_2_1 -Wl,--undefined=__cxa_rethrow\n")
endif()
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/pkgconfig/quizruntime-report.pc CONTENT "${pc_head}
Name: quizruntime-report
Description: The quiz's runtime and error report, for a program with its own main
Version: ${PROJECT_VERSION}
License: BSL-1.0
Requires: quizruntime = ${PROJECT_VERSION}
Libs: ${report_libs}
${report_static}")
install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/quizruntime.pc
  ${PROJECT_BINARY_DIR}/pkgconfig/quizruntime-report.pc DESTINATION ${pkg_config_dir})
