# SPDX-License-Identifier: MIT
# The panel for Windows: kandimor.exe with its icon and version, and beside it what it needs to
# run (the Qt DLLs, the windows platform plugin and style, the MinGW runtime) as one folder. The
# `windows_package` target makes of that folder an NSIS installer and a zip.

set(windows_source ${CMAKE_CURRENT_LIST_DIR})
set(windows_build ${PROJECT_BINARY_DIR}/packaging)
set(KANDIMOR_COPYRIGHT_YEAR 2026)

# The icon, drawn from the same SVG as on Linux, at the sizes Windows shows.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)
set(icon_pngs)
foreach(size 16 24 32 48 64 256)
    list(APPEND icon_pngs ${windows_build}/kandimor-${size}.png)
    add_custom_command(OUTPUT ${windows_build}/kandimor-${size}.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${windows_build}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${windows_build}/kandimor-${size}.png
                ${PROJECT_SOURCE_DIR}/packaging/kandimor.svg
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/kandimor.svg VERBATIM)
endforeach()
add_custom_command(OUTPUT ${windows_build}/kandimor.ico
    COMMAND ${ICOTOOL} -c -o ${windows_build}/kandimor.ico ${icon_pngs}
    DEPENDS ${icon_pngs} VERBATIM)

string(REPLACE "." "," KANDIMOR_VERSION_COMMAS "${PROJECT_VERSION}.0")
configure_file(${windows_source}/kandimor.rc.in ${windows_build}/kandimor.rc @ONLY)
add_custom_target(kandimor_icon DEPENDS ${windows_build}/kandimor.ico)
add_dependencies(kandimor kandimor_icon)
target_sources(kandimor PRIVATE ${windows_build}/kandimor.rc)
set_target_properties(kandimor PROPERTIES WIN32_EXECUTABLE ON)

# Beside the program: Qt finds its plugins in the program's folder.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
foreach(dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE found
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        message(FATAL_ERROR "The MinGW runtime has no ${dll}")
    endif()
    install(FILES ${found} DESTINATION .)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
# Windows has no DejaVu Sans, the captions' font: Debian's copy comes along, with its licence.
install(FILES ${KANDIMOR_CAPTION_FONT} DESTINATION fonts)
install(FILES ${KANDIMOR_CAPTION_FONT_LICENSE} DESTINATION fonts RENAME DejaVu-LICENSE.txt)
# Without their symbols (Debian's MinGW runtime keeps them): a third of the size.
install(CODE "set(strip \"${CMAKE_STRIP}\")")
install(CODE [[
    file(GLOB_RECURSE binaries "${CMAKE_INSTALL_PREFIX}/*.dll" "${CMAKE_INSTALL_PREFIX}/kandimor.exe")
    foreach(binary IN LISTS binaries)
        execute_process(COMMAND "${strip}" --strip-unneeded "${binary}" COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
]])

# The installer and the zip, from the folder the install rules make.
find_program(MAKENSIS makensis REQUIRED)
find_program(ZIP zip REQUIRED)
set(package_name Kandimor-${PROJECT_VERSION}-windows-x64)
set(KANDIMOR_STAGE ${windows_build}/${package_name})
set(KANDIMOR_INSTALLER ${PROJECT_BINARY_DIR}/${package_name}-setup.exe)
set(KANDIMOR_ICON ${windows_build}/kandimor.ico)
configure_file(${windows_source}/kandimor.nsi.in ${windows_build}/kandimor.nsi @ONLY)
add_custom_target(windows_package
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${KANDIMOR_STAGE}
    COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${KANDIMOR_STAGE}
    COMMAND ${MAKENSIS} -V2 ${windows_build}/kandimor.nsi
    COMMAND ${CMAKE_COMMAND} -E rm -f ${PROJECT_BINARY_DIR}/${package_name}.zip
    COMMAND ${CMAKE_COMMAND} -E chdir ${windows_build} ${ZIP} -q -r -9 ${PROJECT_BINARY_DIR}/${package_name}.zip ${package_name}
    DEPENDS kandimor
    COMMENT "Making ${package_name}-setup.exe and ${package_name}.zip"
    VERBATIM)
