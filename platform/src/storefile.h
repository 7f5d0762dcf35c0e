// Files behind stores: whole-file reads, atomic replacement, and an exclusive lock.
#pragma once

#include "certobject.h"

#include <string>

namespace platform {

std::string toUtf8(const std::wstring &text);
std::wstring fromUtf8(const std::string &text);

// Reads the whole file; false with the last error set when it cannot.
bool readWholeFile(const std::string &path, Bytes &out);

// Replaces the file by `data` through a temporary file in the same folder, flushed and
// renamed over it, so that a failure at any point leaves the old file whole. Keeps the
// old file's permissions. False with the last error set when it fails.
bool replaceFileAtomically(const std::string &path, const Bytes &data);

bool fileExists(const std::string &path);

// Holds an exclusive advisory lock on `path` (created when missing) while it lives.
class FileLock {
public:
    explicit FileLock(const std::string &path);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

DWORD win32ErrorOfErrno(int error, DWORD fallback);

} // namespace platform
