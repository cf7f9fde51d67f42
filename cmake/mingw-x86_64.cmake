# 64-bit Windows with MinGW-w64, for the tests only: it runs the same Windows
# code under wine64 on machines that cannot execute 32-bit x86 programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(io_mingw_triplet x86_64-w64-mingw32)
# tools/wine64 knows where Debian puts the 64-bit loader.
get_filename_component(io_wine_loader ${CMAKE_CURRENT_LIST_DIR}/../tools/wine64 ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
