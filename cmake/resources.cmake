# The resource script includes the menu scripts and names the icon and the manifest, which the
# build does not see by itself: make every file of res/ a dependency of the compiled script.
# Source properties belong to a directory, so each directory with a target that compiles the
# script calls this.
function(zavize_resource_dependencies)
  file(GLOB inputs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*)
  list(REMOVE_ITEM inputs ${CMAKE_SOURCE_DIR}/res/zavize.rc)
  list(APPEND inputs ${ZAVIZE_GENERATED_DIR}/zavize_version.h ${ZAVIZE_GENERATED_DIR}/zavize.manifest)
  set_source_files_properties(${CMAKE_SOURCE_DIR}/res/zavize.rc PROPERTIES OBJECT_DEPENDS "${inputs}")
endfunction()
