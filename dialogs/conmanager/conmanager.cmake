# The connection manager (TFrmManager).
add_library(orvantis_dialog_conmanager STATIC
    ${CMAKE_CURRENT_LIST_DIR}/conmanager.h
    ${CMAKE_CURRENT_LIST_DIR}/conmanager.cpp)
target_include_directories(orvantis_dialog_conmanager PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvantis_dialog_conmanager PUBLIC orvantis_widgets orvantis_store orvantis_options)
target_link_libraries(orvantis_dialogs INTERFACE orvantis_dialog_conmanager)
