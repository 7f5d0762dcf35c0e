// The Win32 codes that file calls on this host fail with.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

// The Win32 code for an errno of a file call; `fallback` for one without its own.
DWORD win32ErrorOfErrno(int error, DWORD fallback);

// What Windows answers for a name that is not there: ERROR_FILE_NOT_FOUND when its folder
// exists, ERROR_PATH_NOT_FOUND when the folder does not either.
DWORD missingFileError(const std::string &path);

} // namespace platform
