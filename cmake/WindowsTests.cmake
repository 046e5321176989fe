# The Windows check: net/ cross-built with mingw-w64 as a project of its own, and
# each of its test programs run under Wine as a CTest test of this build.
include(ExternalProject)

find_program(MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_program(WINE_PROGRAM NAMES wine wine64)
if(NOT MINGW_CXX OR NOT WINE_PROGRAM)
    message(WARNING "mingw-w64 or Wine missing: the Windows tests of net/ are not built")
    return()
endif()

set(ORVANTIS_WIN_BINARY_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(orvantis_windows
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${ORVANTIS_WIN_BINARY_DIR}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/mingw-w64.cmake
        -DCMAKE_BUILD_TYPE=Release
        -DORVANTIS_NET_ONLY=ON
        -DORVANTIS_WERROR=${ORVANTIS_WERROR}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)

# Every Windows test program lists itself in tests/net/CMakeLists.txt through
# ORVANTIS_WINDOWS_TEST_PROGRAMS (a semicolon list of program names).
include(${PROJECT_SOURCE_DIR}/tests/net/windows-tests.cmake OPTIONAL)
foreach(program IN LISTS ORVANTIS_WINDOWS_TEST_PROGRAMS)
    add_test(NAME windows_${program}
        COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix
                sh ${PROJECT_SOURCE_DIR}/cmake/wine-test.sh ${WINE_PROGRAM}
                ${ORVANTIS_WIN_BINARY_DIR}/tests/net/${program}.exe)
    set_tests_properties(windows_${program} PROPERTIES LABELS windows TIMEOUT 300
        RESOURCE_LOCK wineprefix)
endforeach()
