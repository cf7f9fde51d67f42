#include "library_loader.h"

#include <dlfcn.h>

const char *const wzio_file_name = "libwzio.so";
const char *const ch341dll_file_name = "libch341dll.so";

void *library_load(const std::string &path)
{
    // libwzio.so finds its bridge through its own RUNPATH ($ORIGIN), never the program's.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *library_symbol(void *library, const char *name)
{
    return dlsym(library, name);
}

void library_free(void *library)
{
    dlclose(library);
}

bool library_in_process(const char *file_name)
{
    void *library = dlopen(file_name, RTLD_NOW | RTLD_NOLOAD);
    if (library != nullptr) {
        dlclose(library);
    }
    return library != nullptr;
}
