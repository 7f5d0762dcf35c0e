// The three Windows loader calls the bridge needs. On Windows they come from the SDK; on
// other hosts the bridge carries its own small implementation over the dynamic linker,
// with the same names and meanings, so the bridge's code is the same on both.
#pragma once

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#else

#define WINAPI

typedef int BOOL;
typedef struct quorbel_module *HMODULE;
typedef void (*FARPROC)();

// Loads the shared library named by fileName; null when it cannot be loaded or when
// fileName is null.
HMODULE LoadLibraryA(const char *fileName);

// The address of the exported name in module; null when the module lacks it.
FARPROC GetProcAddress(HMODULE module, const char *procName);

// Drops one load of module; non-zero on success.
BOOL FreeLibrary(HMODULE module);

#endif
