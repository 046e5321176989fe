# A `format` target that runs clang-format (the repository's .clang-format) over
# the C++ sources of every folder.
find_program(CLANG_FORMAT NAMES clang-format clang-format-14)
if(NOT CLANG_FORMAT)
    return()
endif()
set(ORVANTIS_FORMAT_FOLDERS app store net dialogs widgets resources tools tests bench)
set(ORVANTIS_FORMAT_FILES)
foreach(folder IN LISTS ORVANTIS_FORMAT_FOLDERS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND ORVANTIS_FORMAT_FILES ${found})
endforeach()
add_custom_target(format COMMAND ${CLANG_FORMAT} -i ${ORVANTIS_FORMAT_FILES}
    COMMENT "Formatting the sources with clang-format" VERBATIM)
