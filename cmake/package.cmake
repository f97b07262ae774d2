# The release a pilot installs: OrbivuePro-<version>-win32.zip, made by CPack
# from the Win32 build (cmake --build --preset win32 --target package). One
# folder: the module, its key binding file and checker, the manual as one
# HTML page with its pictures, README.txt (where each goes) and the licence.

# Text files as Windows' own editor expects them: CRLF line ends.
set(ORBIVUE_PACKAGE_TEXT ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/docs/README.txt.in ${ORBIVUE_PACKAGE_TEXT}/README.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${ORBIVUE_PACKAGE_TEXT}/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/module/resources/OrbivuePro.cfg
               ${ORBIVUE_PACKAGE_TEXT}/OrbivuePro.cfg @ONLY NEWLINE_STYLE CRLF)

# The manual as a page a browser opens, made from docs/manual.md at each build.
set(ORBIVUE_MANUAL_HTML ${ORBIVUE_PACKAGE_TEXT}/manual.html)
add_custom_command(OUTPUT ${ORBIVUE_MANUAL_HTML}
  COMMAND ${CMAKE_SOURCE_DIR}/tools/manual-html ${CMAKE_SOURCE_DIR}/docs/manual.md
          ${ORBIVUE_MANUAL_HTML}
  DEPENDS ${CMAKE_SOURCE_DIR}/docs/manual.md ${CMAKE_SOURCE_DIR}/tools/manual-html
  COMMENT "The manual as HTML")
add_custom_target(manual ALL DEPENDS ${ORBIVUE_MANUAL_HTML})
file(GLOB ORBIVUE_MANUAL_IMAGES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/images/*.png)

# By file: install(TARGETS) would ask where the DLL's import library goes,
# and a pilot has no use for it.
install(FILES $<TARGET_FILE:OrbivuePro> DESTINATION .)
install(PROGRAMS $<TARGET_FILE:orbivue-bindings> DESTINATION .)
install(FILES ${ORBIVUE_PACKAGE_TEXT}/OrbivuePro.cfg ${ORBIVUE_PACKAGE_TEXT}/README.txt
              ${ORBIVUE_PACKAGE_TEXT}/LICENSE.txt ${ORBIVUE_MANUAL_HTML} DESTINATION .)
install(FILES ${ORBIVUE_MANUAL_IMAGES} DESTINATION images)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME OrbivuePro)
set(CPACK_PACKAGE_VENDOR "the OrbivuePro authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fly-by camera and pilot views for the flight simulator")
set(CPACK_PACKAGE_FILE_NAME OrbivuePro-${PROJECT_VERSION}-win32)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON) # unpacks into OrbivuePro-<version>-win32/
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_SOURCE_GENERATOR "") # no source package: the repository is the source
include(CPack)
