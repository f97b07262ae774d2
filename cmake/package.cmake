# The release a pilot installs: OrbivuePro-<version>-win32.zip, made by CPack
# from the Win32 build (cmake --build --preset win32 --target package). One
# folder of five files; README.txt says where each goes.

# Text files as Windows' own editor expects them: CRLF line ends.
set(ORBIVUE_PACKAGE_TEXT ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/docs/README.txt.in ${ORBIVUE_PACKAGE_TEXT}/README.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${ORBIVUE_PACKAGE_TEXT}/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/module/resources/OrbivuePro.cfg
               ${ORBIVUE_PACKAGE_TEXT}/OrbivuePro.cfg @ONLY NEWLINE_STYLE CRLF)

# By file: install(TARGETS) would ask where the DLL's import library goes,
# and a pilot has no use for it.
install(FILES $<TARGET_FILE:OrbivuePro> DESTINATION .)
install(PROGRAMS $<TARGET_FILE:orbivue-bindings> DESTINATION .)
install(FILES ${ORBIVUE_PACKAGE_TEXT}/OrbivuePro.cfg ${ORBIVUE_PACKAGE_TEXT}/README.txt
              ${ORBIVUE_PACKAGE_TEXT}/LICENSE.txt DESTINATION .)

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
