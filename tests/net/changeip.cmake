# Tests of the administrator check, the process runner, the netsh command lines and
# the IP change job. Included by tests/net/CMakeLists.txt, also in the Windows build.

# Helper programs that the runner starts for real.
function(orvantis_changeip_helper name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE orvantis_options)
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    if(CMAKE_CROSSCOMPILING)
        target_link_options(${name} PRIVATE -static)
    endif()
endfunction()
orvantis_changeip_helper(orvantis_test_exitwith exitwith.cpp)
orvantis_changeip_helper(orvantis_test_recordargs recordargs.cpp)

orvantis_add_test(NAME net_commandline_test
    SOURCES commandline_test.cpp argsplit_test.cpp
    LIBS orvantis_net_changeip)
orvantis_add_test(NAME net_changeip_test
    SOURCES changeip_test.cpp outputtail_test.cpp changeipfakes.h
    LIBS orvantis_net_changeip)

if(WIN32)
    orvantis_changeip_helper(orvantis_test_recordcmdline recordcmdline_win32.cpp)
    orvantis_changeip_helper(orvantis_test_inherited inherited_win32.cpp)
    orvantis_add_test(NAME net_changeip_win32_test
        SOURCES changeip_win32_test.cpp changeipfakes.h
        LIBS orvantis_net_changeip)
    add_dependencies(net_changeip_win32_test
        orvantis_test_exitwith orvantis_test_recordargs orvantis_test_recordcmdline orvantis_test_inherited)
else()
    add_executable(orvantis_test_isadminprobe isadminprobe.cpp childcheck.h)
    target_link_libraries(orvantis_test_isadminprobe PRIVATE orvantis_net_changeip orvantis_net_networkmanager
        orvantis_options)
    orvantis_add_test(NAME net_admin_test
        SOURCES admin_test.cpp childcheck.h
        LIBS orvantis_net_changeip orvantis_net_networkmanager)
    add_dependencies(net_admin_test orvantis_test_isadminprobe)
    # Beside a real NetworkManager, in the sandbox of tests/tools (root only; skipped
    # otherwise, with the reason).
    orvantis_add_test(NAME net_admin_networkmanager_test
        SOURCES admin_nm_test.cpp childcheck.h
        LIBS orvantis_net_changeip orvantis_net_networkmanager
        LABELS netns
        WRAPPER ${PROJECT_SOURCE_DIR}/tests/tools/nm-sandbox.sh ${CMAKE_BINARY_DIR}/nm-sandbox)
    set_tests_properties(net_admin_networkmanager_test PROPERTIES
        SKIP_RETURN_CODE 77
        RESOURCE_LOCK orvantis_netns
        TIMEOUT 300)
    target_compile_definitions(net_admin_test PRIVATE
        ORVANTIS_ISADMIN_PROBE="$<TARGET_FILE:orvantis_test_isadminprobe>")
    orvantis_add_test(NAME net_process_posix_test
        SOURCES process_posix_test.cpp changeipfakes.h
        LIBS orvantis_net_changeip orvantis_net_startup)
    add_dependencies(net_process_posix_test orvantis_test_exitwith orvantis_test_recordargs)
    target_compile_definitions(net_process_posix_test PRIVATE
        ORVANTIS_EXITWITH="$<TARGET_FILE:orvantis_test_exitwith>"
        ORVANTIS_RECORDARGS="$<TARGET_FILE:orvantis_test_recordargs>"
        ORVANTIS_PRIVATE_FROM_BIN="${ORVANTIS_PRIVATE_FROM_BIN}")
endif()
