# The cabinet package: build/win32/cabinet-io-win32.zip with exactly what goes
# on a cabinet, made by the `package` target of the win32 build. The same
# commit gives the same bytes in any folder on any day (cmake/package_zip.py).
# The stand-ins never go in: beside the game, a stand-in CH341DLL.dll or
# kavio.dll would shadow the real vendor library.
if(NOT IO_PE32)
  return()
endif()

# Debian's own Python, whatever python3 comes first on PATH.
set(IO_PYTHON3 /usr/bin/python3 CACHE FILEPATH "Python 3 of the package step and its test")
set(IO_PACKAGE_NAME cabinet-io-win32)
set(IO_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/${IO_PACKAGE_NAME}.zip)

# Runs at every request and rewrites the ZIP (the same bytes when nothing
# changed), so it always prints the checksum.
add_custom_target(package
  COMMAND ${IO_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/package_zip.py
          ${IO_PACKAGE_ZIP} ${IO_PACKAGE_NAME}
          ${IO_VERSION_DIR}/io_version.h ${IO_VERSION_DIR}/source_date_epoch
          ${PROJECT_SOURCE_DIR}/package/README.txt
          $<TARGET_FILE:readertest> $<TARGET_FILE:paneltest> $<TARGET_FILE:wzio>
  BYPRODUCTS ${IO_PACKAGE_ZIP}
  COMMENT "Cabinet package"
  VERBATIM)
add_dependencies(package readertest paneltest wzio io_version_stamp)
