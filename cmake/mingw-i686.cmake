# 32-bit Windows (PE32) with MinGW-w64; the -posix compilers give GoogleTest std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_AR i686-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB i686-w64-mingw32-ranlib CACHE FILEPATH "")
set(CMAKE_DLLTOOL i686-w64-mingw32-dlltool CACHE FILEPATH "")
set(CMAKE_OBJDUMP i686-w64-mingw32-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A cabinet has nothing installed: the C, C++ and thread runtimes go inside every binary.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
