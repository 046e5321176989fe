# orvantis_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [GUI]
#                   [WRAPPER <command...>])
# Adds a GoogleTest program and registers it with CTest. GUI tests get a main() that
# makes a QApplication; every test runs offscreen, in a fixed locale, so that none
# needs a display. With WRAPPER, CTest runs the wrapper command with the program's
# path as its last argument (for instance a script that makes a sandbox for it).
include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
    # The Debian package ships GoogleTest's sources; build them with the cross compiler.
    if(NOT TARGET gtest)
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
        add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    endif()
    set(ORVANTIS_GTEST_LIBS gtest gmock gtest_main)
else()
    find_package(GTest REQUIRED)
    set(ORVANTIS_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()

function(orvantis_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS;LABELS;WRAPPER" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    if(T_GUI)
        target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} orvantis_gui_test_main GTest::gtest GTest::gmock
            orvantis_options)
    else()
        target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${ORVANTIS_GTEST_LIBS} orvantis_options)
    endif()
    target_include_directories(${T_NAME} PRIVATE ${PROJECT_SOURCE_DIR})
    if(CMAKE_CROSSCOMPILING)
        target_link_options(${T_NAME} PRIVATE -static)
        return()
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_WRAPPER} $<TARGET_FILE:${T_NAME}>)
    set(environment QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 LC_ALL=C.UTF-8 QT_LOGGING_RULES=qt.qpa.*=false
        ${ORVANTIS_SANITIZER_ENVIRONMENT})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${environment}" LABELS "${T_LABELS}")
endfunction()
