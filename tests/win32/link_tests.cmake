# The serial link tests need units on pseudo-terminals (kvdsim, the simulated unit, and a pty that
# takes nothing), which a Win32 program cannot start: one ctest entry runs them through
# run_link_tests.sh. kvdsim comes from the native build (ZAVIZE_KVDSIM; build that preset first).
set(ZAVIZE_PEER_SUITES SerialLink)
add_test(NAME wine.link.SerialLink
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/win32/run_link_tests.sh ${CMAKE_SOURCE_DIR}/tools/wine-run.sh
                 ${CMAKE_BINARY_DIR}/wineprefix $<TARGET_FILE:win32_tests> ${CMAKE_CURRENT_BINARY_DIR}/link
                 "${ZAVIZE_KVDSIM}")
# The COM mapping is process-wide in the prefix: no two runs of the script at once.
set_tests_properties(wine.link.SerialLink PROPERTIES LABELS wine TIMEOUT 180 RESOURCE_LOCK wine-com-ports)
