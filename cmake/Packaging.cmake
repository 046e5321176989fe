# What a desktop needs besides the programs (menu entry, icons, AppStream metainfo,
# man pages, licence), and the Debian package: `cpack -G DEB` in the build folder
# (or `make deb` at the top) makes orvantis_<version>-<release>_<arch>.deb.
include_guard(GLOBAL)

set(ORVANTIS_APP_ID test.orvantis.Orvantis)
set(ORVANTIS_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ORVANTIS_PACKAGE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/orvantis)
set(ORVANTIS_GENERATED_DIR ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${ORVANTIS_GENERATED_DIR})

# The menu entry starts the launcher from the private folder, by its absolute path.
# The prefix is known only when installing (CPack installs into /usr, `cmake --install
# --prefix` anywhere), so the entry is written then.
set(ORVANTIS_DESKTOP_ENTRY ${ORVANTIS_GENERATED_DIR}/${ORVANTIS_APP_ID}.desktop)
install(CODE "
    set(ORVANTIS_LAUNCHER_INSTALLED \"${ORVANTIS_PRIVATE_DIR}/orvantis-launcher\")
    if(NOT IS_ABSOLUTE \"\${ORVANTIS_LAUNCHER_INSTALLED}\")
        set(ORVANTIS_LAUNCHER_INSTALLED \"\${CMAKE_INSTALL_PREFIX}/\${ORVANTIS_LAUNCHER_INSTALLED}\")
    endif()
    configure_file(\"${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.desktop.in\" \"${ORVANTIS_DESKTOP_ENTRY}\" @ONLY)")
install(FILES ${ORVANTIS_DESKTOP_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ORVANTIS_PACKAGING_DIR}/${ORVANTIS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon in the hicolor theme, at each drawn size and as a scalable picture.
foreach(size 16 24 32 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/orvantis-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orvantis.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/orvantis.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Man pages and the Debian changelog, compressed as Debian wants them (gzip -9n:
# no name or time stamp, so the package is the same each time it is built).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(ORVANTIS_COMPRESSED)
function(orvantis_gzip source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${output}
        DEPENDS ${source} VERBATIM)
    set(ORVANTIS_COMPRESSED ${ORVANTIS_COMPRESSED} ${output} PARENT_SCOPE)
endfunction()
foreach(page orvantis orvantis-createdb)
    orvantis_gzip(${ORVANTIS_PACKAGING_DIR}/${page}.1 ${ORVANTIS_GENERATED_DIR}/${page}.1.gz)
    install(FILES ${ORVANTIS_GENERATED_DIR}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
orvantis_gzip(${ORVANTIS_PACKAGING_DIR}/changelog ${ORVANTIS_GENERATED_DIR}/changelog.Debian.gz)
add_custom_target(orvantis_compressed_docs ALL DEPENDS ${ORVANTIS_COMPRESSED})
install(FILES ${ORVANTIS_GENERATED_DIR}/changelog.Debian.gz DESTINATION ${ORVANTIS_PACKAGE_DOC_DIR})
install(FILES ${ORVANTIS_PACKAGING_DIR}/copyright DESTINATION ${ORVANTIS_PACKAGE_DOC_DIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Orvantis developers")
set(CPACK_PACKAGE_CONTACT "The Orvantis developers <dev@orvantis.test>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.orvantis.test/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "switch a network connection between named IPv4 settings")
# The long description, in lines that Debian's tools show as they are (80 columns at most).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Orvantis keeps named presets of IPv4 settings, the IP sets (address, mask,"
    "gateway, DNS server or DHCP), for a network connection in a small SQLite"
    "database, and applies one with a click: through NetworkManager when it runs,"
    "otherwise with iproute2 and the machine's DHCP client. A second pane lists"
    "the live configuration of every network adapter."
    "The desktop menu's entry starts it on a database of the user's own.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the library scan cannot see: Qt's SQLite driver is a plugin, and netsh runs ip.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, iproute2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "network-manager | isc-dhcp-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package takes what the build made; it does not build everything (tests
# included) again first: `make deb` and the tests build before they package.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(CPack)
