# The IP set editor (TFrmAddNewIP).
add_library(orvantis_dialog_addipset STATIC
    ${CMAKE_CURRENT_LIST_DIR}/addipset.h
    ${CMAKE_CURRENT_LIST_DIR}/addipset.cpp)
target_include_directories(orvantis_dialog_addipset PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(orvantis_dialog_addipset PUBLIC orvantis_widgets orvantis_store orvantis_options)
target_link_libraries(orvantis_dialogs INTERFACE orvantis_dialog_addipset)
