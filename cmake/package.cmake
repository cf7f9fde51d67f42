# The cabinet package: a ZIP of exactly what goes on a cabinet, made from the
# win32 build with `cpack --config build/win32/CPackConfig.cmake` or the
# `package` target. The stand-ins never go in: beside the game, a stand-in
# CH341DLL.dll or kavio.dll would shadow the real vendor library.
if(NOT IO_PE32)
  return()
endif()

# Notepad on older cabinets shows a file without CR as one long line.
configure_file(${PROJECT_SOURCE_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/README.txt
  @ONLY NEWLINE_STYLE CRLF)

# Only the cabinet component is packed; wzio's import library is for developers.
install(TARGETS readertest paneltest RUNTIME DESTINATION . COMPONENT cabinet)
install(TARGETS wzio
  RUNTIME DESTINATION . COMPONENT cabinet
  ARCHIVE DESTINATION lib COMPONENT development)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION . COMPONENT cabinet)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME cabinet-io)
set(CPACK_PACKAGE_VERSION 1.0)
set(CPACK_PACKAGE_FILE_NAME cabinet-io-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};cabinet;/")
include(CPack)
