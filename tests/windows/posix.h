// The few POSIX calls the shared tests use, on Windows, and where their data lie; included
// before every test source built for Windows.
#pragma once

#include <winsock2.h> // before windows.h, as the toolkit's headers want it
#include <windows.h>

#include <direct.h>
#include <process.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

inline int setenv(const char *name, const char *value, int)
{
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char *name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

// A new folder named after `pattern`, its last six characters (XXXXXX) replaced.
inline char *mkdtemp(char *pattern)
{
    const size_t length = std::strlen(pattern);
    if (length < 6)
        return nullptr;
    static unsigned counter = static_cast<unsigned>(_getpid()) * 7919u + static_cast<unsigned>(std::time(nullptr));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        unsigned value = ++counter * 2654435761u;
        for (size_t i = length - 6; i < length; ++i, value /= 36)
            pattern[i] = "0123456789abcdefghijklmnopqrstuvwxyz"[value % 36];
        if (_mkdir(pattern) == 0)
            return pattern;
    }
    return nullptr;
}

namespace testsupport {

// A file or folder beside the test program: its data travel with it, so the tests find
// them wherever the program is started.
inline std::string besideProgram(const char *name)
{
    wchar_t module[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return (std::filesystem::path(module).parent_path() / name).string();
}

} // namespace testsupport

#define TEST_DATA_DIR (testsupport::besideProgram("data"))
#define CONFIG_PROBE (testsupport::besideProgram("crypto_config_probe.exe"))
