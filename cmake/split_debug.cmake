# Run at install time for each program (exe, objcopy and debug_root set by
# the install rule): the program is stripped, its debug information goes to
# a file beside it that its debug link names, and a copy of that file goes
# under the debug root by the program's build-id, where the report and
# frameline look for it once the file beside it is gone (as in the
# Debian package).
execute_process(COMMAND "${objcopy}" --only-keep-debug "${exe}" "${exe}.debug"
  COMMAND_ERROR_IS_FATAL ANY)

# The build-id note: name size, description size, type and "GNU\0", 16
# bytes in all, then the id; a program without one (a Windows program) has
# no such section and gets no copy.
set(note "${exe}.build-id")
execute_process(COMMAND "${objcopy}" -O binary --only-section=.note.gnu.build-id "${exe}" "${note}"
  RESULT_VARIABLE note_result OUTPUT_QUIET ERROR_QUIET)
set(id "")
if(note_result EQUAL 0 AND EXISTS "${note}")
  file(READ "${note}" note_hex HEX)
  string(LENGTH "${note_hex}" note_length)
  if(note_length GREATER 32)
    # The description size, little-endian, as the readers of this project's
    # targets take it.
    string(SUBSTRING "${note_hex}" 8 8 size_hex)
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" size_hex "${size_hex}")
    math(EXPR id_length "0x${size_hex} * 2")
    string(SUBSTRING "${note_hex}" 32 ${id_length} id)
  endif()
endif()
file(REMOVE "${note}")
if(id MATCHES "^([0-9a-f][0-9a-f])([0-9a-f]+)$")
  set(by_id "${debug_root}/.build-id/${CMAKE_MATCH_1}/${CMAKE_MATCH_2}.debug")
  get_filename_component(by_id_dir "${by_id}" DIRECTORY)
  file(MAKE_DIRECTORY "${by_id_dir}")
  file(COPY_FILE "${exe}.debug" "${by_id}")
  message(STATUS "Debug information by build-id: ${by_id}")
endif()

execute_process(COMMAND "${objcopy}" --strip-all "--add-gnu-debuglink=${exe}.debug" "${exe}"
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Split debug information: ${exe}.debug")
