# The test programs of the IP change job that also run on Windows under Wine.
list(APPEND ORVANTIS_WINDOWS_TEST_PROGRAMS net_commandline_test net_changeip_test net_changeip_win32_test)
