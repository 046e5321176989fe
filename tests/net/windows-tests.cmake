# The test programs of tests/net that also run on Windows under Wine
# (cmake/WindowsTests.cmake reads this list; names without .exe).
set(ORVANTIS_WINDOWS_TEST_PROGRAMS)
include(${CMAKE_CURRENT_LIST_DIR}/windows-snapshot.cmake OPTIONAL)
include(${CMAKE_CURRENT_LIST_DIR}/windows-changeip.cmake OPTIONAL)
