# The snapshot's test programs that also run on Windows (under Wine).
list(APPEND ORVANTIS_WINDOWS_TEST_PROGRAMS ipinfo_test snapshot_windows_test)
