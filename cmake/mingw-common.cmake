# What both MinGW-w64 toolchains share; the including file sets io_mingw_triplet
# and io_wine_loader first. The -posix compilers give GoogleTest std::mutex.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${io_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${io_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${io_mingw_triplet}-windres)
set(CMAKE_AR ${io_mingw_triplet}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${io_mingw_triplet}-ranlib CACHE FILEPATH "")
set(CMAKE_DLLTOOL ${io_mingw_triplet}-dlltool CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${io_mingw_triplet}-objdump CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${io_mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A cabinet has nothing installed: the C, C++ and thread runtimes go inside every binary.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${io_wine_loader})
