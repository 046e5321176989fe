# What every program of Orvantis does first (the program and its netsh): the signal
# handling that it relies on. Included by net/CMakeLists.txt.
add_library(orvantis_net_startup STATIC startsignals.h)
if(WIN32)
    target_sources(orvantis_net_startup PRIVATE startsignals_win32.cpp)
else()
    target_sources(orvantis_net_startup PRIVATE startsignals_posix.cpp)
endif()
set_target_properties(orvantis_net_startup PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
target_include_directories(orvantis_net_startup PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvantis_net_startup PRIVATE orvantis_options)
target_link_libraries(orvantis_net INTERFACE orvantis_net_startup)
