# Delay-loaded system libraries (Windows builds): a library named here is loaded at the first call
# of one of its functions, not at the program's start. The plant link's sockets, TLS and
# certificate libraries (and what they pull in) are then never mapped by a monitor whose plant
# link is off, which keeps its resident memory near a plain Win32 program's.
#
# zavize_delay_import(TARGET lib DLLNAME): links TARGET against a delay-import library of `lib`,
# made at build time from the toolchain's own import library (its export list, so a function the
# code starts to use needs no list kept here). The caller links the toolchain's delay-load helper
# (delayimp) once, after its delay-import libraries.
#
# Run as a script (cmake -P) it makes one such library:
#   -DNM= -DDLLTOOL= -DIMPORT_LIB= -DDLL= -DDEF= -DOUT= -DKILL_AT=ON|OFF

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND "${NM}" -g --defined-only "${IMPORT_LIB}" OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    message(FATAL_ERROR "${IMPORT_LIB} cannot be read by ${NM}")
  endif()
  string(REGEX MATCHALL "__imp_[^\r\n]+" imports "${symbols}")
  set(exports "")
  foreach(import IN LISTS imports)
    # (Substrings, not a regular expression: CMake's "^" matches again after each replacement,
    # and a name such as __WSAFDIsSet keeps its own underscores.)
    string(SUBSTRING "${import}" 6 -1 name)
    if(KILL_AT)  # 32-bit: the C name's leading underscore goes, the @N stays for dlltool's -k
      string(SUBSTRING "${name}" 1 -1 name)
    endif()
    list(APPEND exports "${name}")
  endforeach()
  list(REMOVE_DUPLICATES exports)
  if(NOT exports)
    message(FATAL_ERROR "${IMPORT_LIB} lists no function")
  endif()
  list(JOIN exports "\n" lines)
  file(WRITE "${DEF}" "LIBRARY ${DLL}\nEXPORTS\n${lines}\n")
  set(kill "")
  if(KILL_AT)
    set(kill -k)
  endif()
  execute_process(COMMAND "${DLLTOOL}" ${kill} -d "${DEF}" -y "${OUT}" -D "${DLL}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUT}")
  endif()
  return()
endif()

function(zavize_delay_import target lib dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${lib}.a OUTPUT_VARIABLE import_lib
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT EXISTS "${import_lib}")
    message(FATAL_ERROR "the toolchain has no import library lib${lib}.a")
  endif()
  set(kill_at OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at ON)
  endif()
  set(out ${CMAKE_BINARY_DIR}/delay-import/lib${lib}_delay.a)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DDLLTOOL=${CMAKE_DLLTOOL} -DIMPORT_LIB=${import_lib}
            -DDLL=${dll} -DDEF=${CMAKE_BINARY_DIR}/delay-import/${lib}.def -DOUT=${out} -DKILL_AT=${kill_at}
            -P ${CMAKE_SOURCE_DIR}/cmake/delay_import.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/delay_import.cmake ${import_lib}
    COMMENT "Delay-import library of ${dll}")
  add_custom_target(${lib}_delay_import DEPENDS ${out})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delay-import)
  add_dependencies(${target} ${lib}_delay_import)
  target_link_libraries(${target} PUBLIC ${out})
endfunction()
