// Loads a shared library at run time the way a game host does, one file per
// platform (library_loader_win32.cpp, library_loader_posix.cpp).
#ifndef TESTS_LIBRARY_LOADER_H
#define TESTS_LIBRARY_LOADER_H

#include <string>

// File names of wzio and the stand-in as they sit in the build's bin folder.
extern const char *const wzio_file_name;
extern const char *const ch341dll_file_name;

// Loads the library at path; its own folder is searched for what it imports,
// the program's folder is not. Returns null on failure.
void *library_load(const std::string &path);

void *library_symbol(void *library, const char *name);

void library_free(void *library);

// True when a module of that file name is already in the process.
bool library_in_process(const char *file_name);

#endif
