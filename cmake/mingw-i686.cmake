# 32-bit Windows (PE32) with MinGW-w64: what goes on a cabinet.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(io_mingw_triplet i686-w64-mingw32)
set(io_wine_loader wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
