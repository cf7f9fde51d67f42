#include "library_loader.h"

#include <windows.h>

const char *const wzio_file_name = "wzio.dll";
const char *const ch341dll_file_name = "CH341DLL.dll";

void *library_load(const std::string &path)
{
    // With an absolute path this searches the DLL's folder instead of the program's.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void *library_symbol(void *library, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void library_free(void *library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

bool library_in_process(const char *file_name)
{
    return GetModuleHandleA(file_name) != nullptr;
}
