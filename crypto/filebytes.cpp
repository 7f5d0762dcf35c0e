#include "crypto/filebytes.h"

#include "crypto/cryptexception.h"
#include "crypto/filehandle.h"

#include <algorithm>

namespace crypto {

namespace {

// One call reads or writes at most this much.
constexpr DWORD kChunk = 1u << 20;

// What a file being written in the place of another is called: that file's name and this.
const wchar_t kTemporarySuffix[] = L".~export";

void writeAll(const FileHandleOwner &file, const std::vector<BYTE> &bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, wanted, &written, nullptr))
            throwLastError();
        done += written;
    }
}

} // namespace

std::vector<BYTE> readFileBytes(const std::wstring &path, size_t limit)
{
    const FileHandleOwner file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throwLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size))
        throwLastError();
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > limit)
        throw CryptException(L"Файл больше " + std::to_wstring(limit >> 20) + L" МБ.\n", 0);

    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD wanted = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kChunk));
        DWORD read = 0;
        if (!ReadFile(file.get(), bytes.data() + done, wanted, &read, nullptr))
            throwLastError();
        if (read == 0)
            break; // the file got shorter since its size was read
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

void replaceFileWith(const std::wstring &path, const std::vector<BYTE> &bytes)
{
    // Named after the file, so that one left by an export that was killed is removed by the
    // next export of that file. One that another export has open is not: it was opened
    // without sharing, so removing it fails and this export says the file is in use.
    const std::wstring temporary = path + kTemporarySuffix;
    if (!DeleteFileW(temporary.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        throwLastError();
    FileHandleOwner file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throwLastError();
    try {
        writeAll(file, bytes);
        // Closed here rather than by the owner, so that a failure to close (the last write
        // refused) is seen.
        if (!FlushFileBuffers(file.get()) || !CloseHandle(file.release()))
            throwLastError();
        // Replacing keeps what the old file's owner set on it (its permissions, and through a
        // link its place); a file not there yet is moved into place.
        if (!ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, 0, nullptr, nullptr) &&
            (GetLastError() != ERROR_FILE_NOT_FOUND ||
             !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)))
            throwLastError();
    } catch (...) {
        DeleteFileW(temporary.c_str()); // the message already holds the reason
        throw;
    }
}

} // namespace crypto
