// Files behind stores: whole-file reads, atomic replacement, and an exclusive lock.
#pragma once

#include "certificates/certobject.h"
#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/regularfiles.h"
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

// Replaces the file `target` (links followed, see followLinks) by `data` through a
// temporary file in the same folder, flushed and renamed over it, so that a failure at any
// point leaves the old file whole. Keeps the old file's permissions, and its owner as far
// as the caller may; refuses a file the caller may not write or that is no regular file
// (see checkReplaceable). Callers hold the file's FileLock. False with the last error set
// when it fails.
bool replaceFileAtomically(const std::string &target, const Bytes &data);

bool fileExists(const std::string &path);

// The lock of a store file, which every writer of the file finds because it lies beside
// it: ".<name>.lock" in the file's folder, the name without its ".sst".
std::string lockPathOf(const std::string &target);

// Holds the exclusive advisory lock of the store file `target` (links followed) while it
// lives; the lock file is made when missing, with the store file's permissions, so that
// whoever may write the store may lock it. Once taken, removes the temporary files that
// writers killed while they held it left beside the file. locked() is false, with the last
// error set, when the lock cannot be taken; a write then fails rather than going on.
class FileLock {
public:
    explicit FileLock(const std::string &target);
    bool locked() const { return static_cast<bool>(fd_); }

private:
    Fd fd_; // closing it drops the lock
};

} // namespace platform
