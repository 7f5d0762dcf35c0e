// The loader calls over dlopen, for hosts without Windows.
#include "loader.h"

#include <dlfcn.h>

HMODULE LoadLibraryA(const char *fileName)
{
    // dlopen(nullptr) would hand out the main program, which LoadLibraryA never does.
    if (fileName == nullptr)
        return nullptr;
    return static_cast<HMODULE>(dlopen(fileName, RTLD_NOW | RTLD_LOCAL));
}

FARPROC GetProcAddress(HMODULE module, const char *procName)
{
    return reinterpret_cast<FARPROC>(dlsym(module, procName));
}

BOOL FreeLibrary(HMODULE module)
{
    return dlclose(module) == 0;
}
