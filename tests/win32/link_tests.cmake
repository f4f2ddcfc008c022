# The serial link tests need stand-in units on pseudo-terminals, which a Win32 program cannot
# start: one ctest entry runs them through run_link_tests.sh. The simulated unit is used when this
# source tree has it (build the native preset first); otherwise a small pty peer stands in.
set(ZAVIZE_PEER_SUITES SerialLink)
set(link_unit "")
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/kvdsim/CMakeLists.txt AND ZAVIZE_KVDSIM)
  set(link_unit ${ZAVIZE_KVDSIM})
endif()
add_test(NAME wine.link.SerialLink
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/win32/run_link_tests.sh ${CMAKE_SOURCE_DIR}/tools/wine-run.sh
                 ${CMAKE_BINARY_DIR}/wineprefix $<TARGET_FILE:win32_tests> ${CMAKE_CURRENT_BINARY_DIR}/link
                 ${link_unit})
# The COM mapping is process-wide in the prefix: no two runs of the script at once.
set_tests_properties(wine.link.SerialLink PROPERTIES LABELS wine TIMEOUT 180 RESOURCE_LOCK wine-com-ports)
