// The subset of the Windows SDK's <shlwapi.h> that certinstall calls.
#pragma once

#include <windows.h>

// Case-insensitive search of lpSrch in lpFirst over all of Unicode (Cyrillic included);
// the first match or NULL (also when either is NULL or lpSrch is empty).
PWSTR WINAPI StrStrIW(PCWSTR lpFirst, PCWSTR lpSrch);
