# What `cmake --install` puts where, and the release archive CPack makes of it.
# Linux: bin/vellumix, its manual page, README.md and LICENSE under share/doc/vellumix.
# Windows: one folder with vellumix.exe, the players' guide README.txt and LICENSE.txt in CR LF
# (for Notepad), and the manual page as vellumix.html.
if(WIN32)
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE text) # read again whenever it changes
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${PROJECT_BINARY_DIR}/LICENSE.txt "${text}")
  # the players' guide is the manual page as plain text, so that the two cannot drift
  find_program(MANDOC mandoc REQUIRED) # and col, which bsdextrautils brings
  add_custom_command(OUTPUT vellumix.html README.txt
    COMMAND sh ${PROJECT_SOURCE_DIR}/tools/players_guide.sh ${PROJECT_SOURCE_DIR}/docs/vellumix.1
            ${PROJECT_BINARY_DIR}
    DEPENDS docs/vellumix.1 tools/players_guide.sh)
  add_custom_target(manual ALL DEPENDS vellumix.html README.txt)
  install(FILES ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/README.txt
                ${PROJECT_BINARY_DIR}/vellumix.html DESTINATION .)
  install(TARGETS vellumix RUNTIME DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(system windows)
else()
  include(GNUInstallDirs)
  install(TARGETS vellumix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/vellumix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR TGZ)
  set(system linux)
endif()
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" cpu)
if(cpu STREQUAL "amd64")
  set(cpu x86_64)
endif()
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${system}-${cpu})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
