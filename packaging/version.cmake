# The program's version has one source: the project's VERSION in CMakeLists.txt. It is written into
# a generated header that the resource script includes (version information, About box, manifest)
# and that tools/make-release.sh reads to name the installer and the zips.
set(ZAVIZE_VERSION_PATCH 0)
if(NOT "${PROJECT_VERSION_PATCH}" STREQUAL "")
  set(ZAVIZE_VERSION_PATCH ${PROJECT_VERSION_PATCH})
endif()
set(ZAVIZE_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${ZAVIZE_VERSION_PATCH}.0)
set(ZAVIZE_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/res/zavize.manifest.in ${ZAVIZE_GENERATED_DIR}/zavize.manifest @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/zavize_version.h.in ${ZAVIZE_GENERATED_DIR}/zavize_version.h @ONLY)
include_directories(${ZAVIZE_GENERATED_DIR})
