// The outside validation library: its handle and its six entry points, the bridge's only
// native state. The writers (load, forget, resolveEntryPoints) must not run alongside
// any other call into the bridge; the readers may run on any number of threads at once.
#pragma once

#include "loader.h"

#include <cstdint>

namespace validation {

// The library's entry points, by the names it exports them under.
using InitLib = std::int32_t(WINAPI *)(std::int32_t reserved, char *parameters);
using InitLib2 = std::int32_t(WINAPI *)(std::int32_t reserved, char *parameters, char *extraParameters);
using Validate = std::int32_t(WINAPI *)(char *document, std::int32_t *first, std::int32_t *second);
using ValidateZ = std::int32_t(WINAPI *)(char *document);
using GetLogFileName = std::int32_t(WINAPI *)(char *document, char *buffer, std::int32_t kind, std::int32_t flag);
using FreeLib = std::int32_t(WINAPI *)();

struct EntryPoints {
    InitLib initLib = nullptr;
    InitLib2 initLib2 = nullptr;
    Validate validate = nullptr;
    ValidateZ validateZ = nullptr;
    GetLogFileName getLogFileName = nullptr;
    FreeLib freeLib = nullptr;
};

// The code of every call that finds no library or no entry point to call.
constexpr std::int32_t kNotLoaded = -2001;

// Loads the library by its file name (null is passed on to the loader) and keeps the new
// handle in place of any earlier one, which stays loaded. True when it was loaded.
bool load(const char *fileName);

// True while a library handle is kept.
bool loaded();

// Frees the kept library, if any, and forgets its handle and its entry points.
void unload();

// Looks up the six entry points anew in the kept library; a name it lacks gives null.
// Requires loaded().
void resolveEntryPoints();

// The entry points as last resolved; all null before the first resolution and after
// unload().
const EntryPoints &entryPoints();

} // namespace validation
