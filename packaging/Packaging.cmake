# SPDX-License-Identifier: MIT
# The panel as a Debian package: the panel and the virtual controller with their manual pages,
# the desktop entry, AppStream metainfo and icon, the copyright file and the changelog (tests and
# the benchmark have no install rules). Build first, then run cpack in the build directory.

# The day of this release, in the forms the metainfo and the changelog want.
set(KANDIMOR_RELEASE_DATE 2026-12-07)
set(KANDIMOR_RELEASE_DATE_RFC2822 "Mon, 07 Dec 2026 12:00:00 +0000")

set(KANDIMOR_PACKAGE_MAINTAINER "Kandimor developers <kandimor@example.org>"
    CACHE STRING "The Maintainer line of the .deb")

set(packaging_source ${CMAKE_CURRENT_LIST_DIR})
set(packaging_build ${PROJECT_BINARY_DIR}/packaging)
set(package_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/kandimor)

# The copyright file in Debian's machine-readable form, its terms taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
if(NOT license MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.+)$")
    message(FATAL_ERROR "LICENSE has no \"Copyright (c)\" line followed by its terms")
endif()
set(KANDIMOR_COPYRIGHT "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" license_terms)
# Continuation lines start with a blank, and an empty line is written as " .".
string(REPLACE "\n\n" "\n.\n" license_terms "${license_terms}")
string(REPLACE "\n" "\n " license_terms " ${license_terms}")
file(CONFIGURE OUTPUT ${packaging_build}/copyright @ONLY CONTENT [[
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Kandimor

Files: *
Copyright: @KANDIMOR_COPYRIGHT@
License: MIT

License: MIT
@license_terms@
]])

# A package whose version has no Debian revision is native: its changelog is changelog.gz.
file(CONFIGURE OUTPUT ${packaging_build}/changelog @ONLY CONTENT [[
kandimor (@PROJECT_VERSION@) unstable; urgency=medium

  * First release: the control panel with its desktop entry, AppStream
    metainfo and manual page, and the virtual servo controller for trying
    the panel without hardware.

 -- @KANDIMOR_PACKAGE_MAINTAINER@  @KANDIMOR_RELEASE_DATE_RFC2822@
]])

configure_file(${packaging_source}/kandimor.1.in ${packaging_build}/kandimor.1 @ONLY)
configure_file(${packaging_source}/kandimor-virtual-controller.1.in
               ${packaging_build}/kandimor-virtual-controller.1 @ONLY)
# Who made it, in the words of the AppStream the package is built for: 1.0 (Debian 13) wants a
# <developer> with an id and calls <developer_name> deprecated; 0.16 (Debian 12) knows only
# <developer_name>. Without appstreamcli the newer form is written.
set(KANDIMOR_METAINFO_DEVELOPER
    "<developer id=\"org.example.kandimor\">\n    <name>Kandimor developers</name>\n  </developer>")
find_program(KANDIMOR_APPSTREAMCLI appstreamcli)
if(KANDIMOR_APPSTREAMCLI)
    execute_process(COMMAND ${KANDIMOR_APPSTREAMCLI} --version OUTPUT_VARIABLE appstream_version
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    string(REGEX MATCH "[0-9]+\\.[0-9]+(\\.[0-9]+)?" appstream_version "${appstream_version}")
    if(appstream_version AND appstream_version VERSION_LESS 1.0)
        set(KANDIMOR_METAINFO_DEVELOPER "<developer_name>Kandimor developers</developer_name>")
    endif()
endif()
configure_file(${packaging_source}/${KANDIMOR_APP_ID}.metainfo.xml.in
               ${packaging_build}/${KANDIMOR_APP_ID}.metainfo.xml @ONLY)

# gzip -9n: the best compression and no name or time stamp in the header, so the same text
# always gives the same bytes; -k keeps the text beside it.
set(compressed_files)
foreach(text changelog kandimor.1 kandimor-virtual-controller.1)
    add_custom_command(OUTPUT ${packaging_build}/${text}.gz
                       COMMAND gzip -9nkf ${packaging_build}/${text}
                       DEPENDS ${packaging_build}/${text}
                       VERBATIM)
    list(APPEND compressed_files ${packaging_build}/${text}.gz)
endforeach()
add_custom_target(kandimor_package_files ALL DEPENDS ${compressed_files})

install(FILES ${packaging_source}/${KANDIMOR_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${packaging_build}/${KANDIMOR_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(FILES ${packaging_source}/kandimor.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging_build}/kandimor.1.gz ${packaging_build}/kandimor-virtual-controller.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_build}/copyright ${packaging_build}/changelog.gz DESTINATION ${package_docdir})

# The strip that install runs leaves the compiler's .comment section in; it goes too, as with
# Debian's own tools. The build id stays.
foreach(program kandimor kandimor_virtual_controller)
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
                COMMAND_ERROR_IS_FATAL ANY)
        endif()")
endforeach()

# Packaging must not rebuild: it reads a finished build, perhaps while its tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kandimor)
set(CPACK_PACKAGE_VENDOR "Kandimor developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Lines of at most 80 characters; CPack indents them for the control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Kandimor streams command frames to a servo controller on a serial line at"
    "9600 baud, 8N1. Pick one of sixteen cells, four servos against four modes,"
    "set a value from 0 to 255 and press Run: frames go out one right after"
    "another while the window stays live, so a new cell or value is in the very"
    "next frame. Save and Reset stop the stream and send a burst of twenty frames."
    ""
    "The package also holds a virtual servo controller on a pseudo-terminal, for"
    "trying the panel without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KANDIMOR_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Qt's Wayland plugin: without it the panel runs on Wayland desktops through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# Depends from the libraries the programs link, as dpkg-shlibdeps finds them. A cross build is
# packaged for the target's architecture (arm64 for aarch64-linux-gnu), and dpkg-shlibdeps,
# told that architecture, reads the target's libraries and objdump.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(CMAKE_CROSSCOMPILING)
    execute_process(COMMAND dpkg-architecture -t ${CMAKE_LIBRARY_ARCHITECTURE} -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE architecture OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(CONFIGURE OUTPUT ${packaging_build}/CPackCross.cmake CONTENT "set(ENV{DEB_HOST_ARCH} ${architecture})\n")
    set(CPACK_PROJECT_CONFIG_FILE ${packaging_build}/CPackCross.cmake)
else()
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE architecture
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endif()
# Kept in the cache for the package test.
set(KANDIMOR_DEB_ARCHITECTURE ${architecture} CACHE INTERNAL "The Debian architecture of the package")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KANDIMOR_DEB_ARCHITECTURE})
include(CPack)
