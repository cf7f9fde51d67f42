# 64-bit Windows with MinGW-w64, for the tests only: it runs the same Windows
# code under wine64 on machines that cannot execute 32-bit x86 programs.
# Debian installs the 64-bit loader without a link on PATH.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(io_mingw_triplet x86_64-w64-mingw32)
set(io_wine_loader /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
