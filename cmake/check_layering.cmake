# Checks that the folders' include graph points down only: every project
# include in a folder names the folder itself or one that the folder may
# use. Run as: cmake -DSOURCE_DIR=<repository> -P check_layering.cmake
#
# The allowed uses below are the layering itself; since each folder may use
# only folders listed before it, the graph can hold no circle.
cmake_minimum_required(VERSION 3.25)

set(folders base demangle platform console exe dwarf report runtime quiz app tools examples)
set(uses_base "")
set(uses_demangle base)
set(uses_platform base)
set(uses_console base platform)
set(uses_exe base platform demangle)
set(uses_dwarf base exe demangle)
set(uses_report base platform console exe dwarf demangle)
set(uses_runtime base platform console exe dwarf demangle report)
set(uses_quiz console runtime)
set(uses_app base platform console exe dwarf demangle report runtime quiz)
# frameline reads line tables and shows source lines as the report does,
# without the exit path.
set(uses_tools base platform console exe dwarf demangle report)
# Programs of other projects include only the headers the package installs.
set(uses_examples base platform console runtime)

set(failures "")
set(seen "")
foreach(folder IN LISTS folders)
  foreach(used IN LISTS uses_${folder})
    if(NOT used IN_LIST seen)
      string(APPEND failures "  ${folder} may use ${used}, which is not below it\n")
    endif()
  endforeach()
  list(APPEND seen ${folder})

  file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.S)
  foreach(source IN LISTS sources)
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" included "${line}")
      string(REGEX MATCH "^[^/]+" target "${included}")
      if(NOT included MATCHES "/")
        string(APPEND failures "  ${source}: \"${included}\" names no folder\n")
      elseif(NOT target STREQUAL folder AND NOT target IN_LIST uses_${folder})
        string(APPEND failures "  ${source} includes ${included}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "Includes against the layering:\n${failures}")
endif()
list(LENGTH folders count)
message(STATUS "layering: ${count} folders, every include points down")
