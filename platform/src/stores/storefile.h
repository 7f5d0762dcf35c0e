// Files behind stores: whole-file reads, atomic replacement, and an exclusive lock.
#pragma once

#include "certificates/certobject.h"
#include "files/fileerrors.h"
#include "text/utf8text.h"

#include <string>

namespace platform {

// Reads the whole file, as many bytes as its size says, into one buffer; false with the
// last error set when it cannot. Anything but a regular file (a folder, FIFO, device or
// socket) fails at once and never blocks.
bool readWholeFile(const std::string &path, Bytes &out);
// Like readWholeFile, but a file of more than `largest` bytes fails with
// ERROR_FILE_TOO_LARGE before any of it is read.
bool readWholeFile(const std::string &path, Bytes &out, size_t largest);

enum class StoreFileRead { Read, Missing, Failed };

// Reads a serialized store file like readWholeFile, but refuses (ERROR_FILE_CORRUPT) a
// file that does not begin with the store header before reading the rest of it. Missing
// when the file is not there but its folder is; Failed with the last error set otherwise.
StoreFileRead readStoreFile(const std::string &path, Bytes &out);

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

} // namespace platform
