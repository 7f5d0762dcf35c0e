// GetModuleHandleW and GetModuleFileNameW for the running program.
#include "lasterror.h"

#include <link.h>
#include <unistd.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

// The program's handle is where its image starts in memory, as on Windows: the first
// object the dynamic loader lists is the executable itself.
HMODULE programHandle()
{
    static const HMODULE handle = [] {
        std::uintptr_t start = 0;
        dl_iterate_phdr(
            [](dl_phdr_info *info, std::size_t, void *data) {
                auto &first = *static_cast<std::uintptr_t *>(data);
                for (int i = 0; i < info->dlpi_phnum; ++i)
                    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
                        first = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
                        break;
                    }
                return 1; // only the executable
            },
            &start);
        return reinterpret_cast<HMODULE>(start);
    }();
    return handle;
}

// The executable's full path as the kernel reports it; empty when it cannot be read.
std::string programPath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

// File names are narrow text in the user's character set.
std::wstring widePath(const std::string &path)
{
    if (path.empty())
        return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), &wide[0], length);
    return wide;
}

} // namespace

HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    if (!lpModuleName)
        return programHandle();
    // The program is the one module this host names: by its full path or its file name.
    const std::wstring path = widePath(programPath());
    const std::wstring name = path.substr(path.rfind(L'/') + 1);
    if (!path.empty() && (path == lpModuleName || name == lpModuleName))
        return programHandle();
    return platform::fail<HMODULE>(ERROR_MOD_NOT_FOUND, nullptr);
}

DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    if (hModule && hModule != programHandle())
        return platform::fail<DWORD>(ERROR_MOD_NOT_FOUND, 0);
    if (nSize > 0 && !lpFilename)
        return platform::fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
    const std::wstring path = widePath(programPath());
    if (path.empty())
        return platform::fail<DWORD>(ERROR_FILE_NOT_FOUND, 0);
    // Too small a buffer gets the path cut to nSize - 1 characters and a zero; the result
    // is then nSize, with ERROR_INSUFFICIENT_BUFFER.
    if (path.size() >= nSize) {
        if (nSize > 0) {
            std::wmemcpy(lpFilename, path.data(), nSize - 1);
            lpFilename[nSize - 1] = L'\0';
        }
        return platform::fail<DWORD>(ERROR_INSUFFICIENT_BUFFER, nSize);
    }
    std::wmemcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}
