# The adapter snapshot: IPHelperDef, IPInfo, EOSError and the adapter sources.
add_library(orvantis_net_snapshot STATIC
    ${CMAKE_CURRENT_LIST_DIR}/IPHelperDef.h
    ${CMAKE_CURRENT_LIST_DIR}/IPInfo.h
    ${CMAKE_CURRENT_LIST_DIR}/IPInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/oserror.h
    ${CMAKE_CURRENT_LIST_DIR}/oserror.cpp
    ${CMAKE_CURRENT_LIST_DIR}/adaptersource.h
    ${CMAKE_CURRENT_LIST_DIR}/adaptersource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/adapterrecords.h
    ${CMAKE_CURRENT_LIST_DIR}/adapterrecords.cpp)
if(WIN32)
    target_sources(orvantis_net_snapshot PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/oserror_win32.cpp
        ${CMAKE_CURRENT_LIST_DIR}/adaptersource_win32.cpp)
    target_link_libraries(orvantis_net_snapshot PUBLIC iphlpapi)
else()
    target_sources(orvantis_net_snapshot PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/oserror_linux.cpp
        ${CMAKE_CURRENT_LIST_DIR}/netlinkadapters.h
        ${CMAKE_CURRENT_LIST_DIR}/netlinkadapters.cpp
        ${CMAKE_CURRENT_LIST_DIR}/adaptersource_linux.h
        ${CMAKE_CURRENT_LIST_DIR}/adaptersource_linux.cpp)
endif()
target_include_directories(orvantis_net_snapshot PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvantis_net_snapshot PRIVATE orvantis_options)
target_link_libraries(orvantis_net INTERFACE orvantis_net_snapshot)
set_target_properties(orvantis_net_snapshot PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
