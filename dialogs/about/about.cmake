# The About box and the help viewer.
add_library(orvantis_dialog_about STATIC
    ${CMAKE_CURRENT_LIST_DIR}/maker.h
    ${CMAKE_CURRENT_LIST_DIR}/aboutbox.h ${CMAKE_CURRENT_LIST_DIR}/aboutbox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/helpviewer.h ${CMAKE_CURRENT_LIST_DIR}/helpviewer.cpp)
target_include_directories(orvantis_dialog_about PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvantis_dialog_about PUBLIC Qt6::Widgets orvantis_widgets orvantis_resources
    PRIVATE orvantis_options)
target_link_libraries(orvantis_dialogs INTERFACE orvantis_dialog_about)
