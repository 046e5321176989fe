# The administrator check, the process runner, the netsh command lines and the IP
# change job (TChangeIp). Included by net/CMakeLists.txt.
add_library(orvantis_net_changeip STATIC
    admin.h capstatus.cpp
    argsplit.h argsplit.cpp
    process.h outputtail.h outputtail.cpp
    commandline.h commandline.cpp
    changeip.h changeip.cpp)
if(WIN32)
    target_sources(orvantis_net_changeip PRIVATE admin_win32.cpp process_win32.h process_win32.cpp)
    target_link_libraries(orvantis_net_changeip PUBLIC advapi32)
else()
    target_sources(orvantis_net_changeip PRIVATE admin_linux.cpp process_posix.cpp
        childprocess_posix.h childprocess_posix.cpp scopedfd_posix.h)
    # Whether NetworkManager runs: also for netsh, which links it alone.
    add_library(orvantis_net_networkmanager STATIC networkmanager.h networkmanager_linux.cpp)
    set_target_properties(orvantis_net_networkmanager PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    target_include_directories(orvantis_net_networkmanager PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(orvantis_net_networkmanager PRIVATE orvantis_options)
    target_link_libraries(orvantis_net_changeip PRIVATE orvantis_net_networkmanager)
    # The installed private folder (libexec/orvantis) as seen from the program's folder.
    set_property(SOURCE process_posix.cpp APPEND PROPERTY COMPILE_DEFINITIONS
        "ORVANTIS_PRIVATE_FROM_BIN=\"${ORVANTIS_PRIVATE_FROM_BIN}\"")
endif()
set_target_properties(orvantis_net_changeip PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
target_include_directories(orvantis_net_changeip PUBLIC ${PROJECT_SOURCE_DIR})
find_package(Threads REQUIRED)
# EOSError, for a wait that fails.
target_link_libraries(orvantis_net_changeip PUBLIC orvantis_net_snapshot orvantis_options Threads::Threads)
target_link_libraries(orvantis_net INTERFACE orvantis_net_changeip)
