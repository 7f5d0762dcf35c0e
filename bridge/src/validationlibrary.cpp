#include "validationlibrary.h"

namespace validation {

namespace {

HMODULE g_library = nullptr;
EntryPoints g_entryPoints;

template <class Function>
Function lookUp(const char *name)
{
    // Through void(*)(), the one function pointer type that converts to any other
    // without a warning about the changed signature.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(g_library, name)));
}

} // namespace

bool load(const char *fileName)
{
    g_library = LoadLibraryA(fileName);
    return g_library != nullptr;
}

bool loaded()
{
    return g_library != nullptr;
}

void unload()
{
    if (g_library == nullptr)
        return;
    FreeLibrary(g_library);
    g_library = nullptr;
    g_entryPoints = EntryPoints();
}

void resolveEntryPoints()
{
    g_entryPoints.initLib = lookUp<InitLib>("vlknInitLib");
    g_entryPoints.initLib2 = lookUp<InitLib2>("vlknInitLib2");
    g_entryPoints.validate = lookUp<Validate>("vlknValidate");
    g_entryPoints.validateZ = lookUp<ValidateZ>("vlknValidateZ");
    g_entryPoints.getLogFileName = lookUp<GetLogFileName>("vlknGetLogFileName");
    g_entryPoints.freeLib = lookUp<FreeLib>("vlknFreeLib");
}

const EntryPoints &entryPoints()
{
    return g_entryPoints;
}

} // namespace validation
