# Where everything goes when installed (GNUInstallDirs), and the paths the programs
# use to find their companions relative to their own folder:
#   bin/orvantis, bin/orvantis-createdb
#   libexec/orvantis/    netsh and the menu launcher (never on anyone's PATH)
#   share/orvantis/      the help file
# The build tree has the same shape (build/bin, build/share/orvantis), so a program
# finds its files the same way whether it runs from the build tree or installed,
# wherever the installed tree was unpacked.
include_guard(GLOBAL)
include(GNUInstallDirs)

# Installed binaries carry no RUNPATH: every library they need is the system's.
set(CMAKE_SKIP_INSTALL_RPATH ON)

set(ORVANTIS_PRIVATE_DIR ${CMAKE_INSTALL_LIBEXECDIR}/orvantis)
set(ORVANTIS_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orvantis)

# Paths from the program's folder (bin) to the private folder and the data folder.
file(RELATIVE_PATH ORVANTIS_PRIVATE_FROM_BIN
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBEXECDIR}/orvantis)
file(RELATIVE_PATH ORVANTIS_DATA_FROM_BIN
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/orvantis)
# ...and from the private folder back to the programs (for the launcher).
file(RELATIVE_PATH ORVANTIS_BIN_FROM_PRIVATE
    ${CMAKE_INSTALL_FULL_LIBEXECDIR}/orvantis ${CMAKE_INSTALL_FULL_BINDIR})

# The build tree's folders of the same shape.
set(ORVANTIS_BUILD_BIN_DIR ${CMAKE_BINARY_DIR}/bin)
cmake_path(APPEND ORVANTIS_BUILD_BIN_DIR ${ORVANTIS_DATA_FROM_BIN} OUTPUT_VARIABLE ORVANTIS_BUILD_DATA_DIR)
cmake_path(NORMAL_PATH ORVANTIS_BUILD_DATA_DIR)
