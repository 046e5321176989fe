# Tests of the adapter snapshot. ipinfo_test also runs on Windows (under Wine).
orvantis_add_test(NAME ipinfo_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/IPInfo_test.cpp ${CMAKE_CURRENT_LIST_DIR}/snapshot_records_test.cpp
    LIBS orvantis_net)
if(WIN32)
    orvantis_add_test(NAME snapshot_windows_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/snapshot_windows_test.cpp
        LIBS orvantis_net)
else()
    orvantis_add_test(NAME snapshot_netlink_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/snapshot_netlink_test.cpp
        LIBS orvantis_net)
    orvantis_add_test(NAME snapshot_netns_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/snapshot_netns_test.cpp
        LIBS orvantis_net)
    set_tests_properties(snapshot_netns_test PROPERTIES SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endif()
