# The program's layers, one static library each. A layer compiles against an include folder of
# its own in the build tree that links to its own sources and to the layers below it (and res/,
# the resource ids), and to nothing else: an include that runs back up the layers fails the build
# with "No such file or directory".
#
#   zavize_layer(<name> [BELOW <lower layer>...] [EXCLUDE <file>...])
#
# Every .cpp of <name>/ belongs to the layer; *_win32.cpp only in Windows builds, *_posix.cpp only
# in the others.
set(ZAVIZE_LAYER_TARGETS "" CACHE INTERNAL "")

function(zavize_layer name)
  cmake_parse_arguments(arg "" "" "BELOW;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${name}/*.cpp)
  set(kept)
  foreach(src ${sources})
    get_filename_component(file ${src} NAME)
    if(file IN_LIST arg_EXCLUDE)
      continue()
    elseif(src MATCHES "_win32\\.cpp$" AND NOT WIN32)
      continue()
    elseif(src MATCHES "_posix\\.cpp$" AND WIN32)
      continue()
    endif()
    list(APPEND kept ${src})
  endforeach()

  set(view ${CMAKE_BINARY_DIR}/layers/${name})
  file(MAKE_DIRECTORY ${view})
  set(enforced ON)
  foreach(allowed ${name} ${arg_BELOW} res)
    if(NOT EXISTS ${view}/${allowed})
      file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${allowed} ${view}/${allowed} RESULT failed SYMBOLIC)
      if(failed)
        set(enforced OFF)
      endif()
    endif()
  endforeach()

  add_library(zavize_${name} STATIC ${kept})
  if(enforced)
    target_include_directories(zavize_${name} PRIVATE ${view})
  else()
    # A file system without symbolic links (some Windows set-ups): the build works, but only a
    # build elsewhere checks the layers.
    message(STATUS "layer ${name}: no symbolic links here, its includes are not checked")
    target_include_directories(zavize_${name} PRIVATE ${CMAKE_SOURCE_DIR})
  endif()
  foreach(lower ${arg_BELOW})
    target_link_libraries(zavize_${name} PUBLIC zavize_${lower})
  endforeach()
  if(ZAVIZE_LAYER_OPTIONS)
    target_compile_options(zavize_${name} PRIVATE ${ZAVIZE_LAYER_OPTIONS})
  endif()
  set(ZAVIZE_LAYER_TARGETS ${ZAVIZE_LAYER_TARGETS} zavize_${name} CACHE INTERNAL "")
endfunction()
