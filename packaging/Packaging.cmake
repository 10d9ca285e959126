# SPDX-License-Identifier: MIT
# The panel as a Debian package: the program, its desktop entry and its icon, nothing else
# (tests, tools and the benchmark have no install rules). Build first, then run cpack in the
# build directory.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kandimor.desktop DESTINATION share/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kandimor.svg DESTINATION share/icons/hicolor/scalable/apps)

set(KANDIMOR_PACKAGE_MAINTAINER "Kandimor developers <kandimor@example.org>"
    CACHE STRING "The Maintainer line of the .deb")

# Packaging must not rebuild: it reads a finished build, perhaps while its tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kandimor)
set(CPACK_PACKAGE_VENDOR "Kandimor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Pick one of sixteen cells, four servos against four modes, set a value from 0 to 255 and press Run: the panel streams command frames to the controller over a serial line at 9600 baud, 8N1. Save and Reset send a burst of twenty frames.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KANDIMOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Depends from the libraries the program links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
