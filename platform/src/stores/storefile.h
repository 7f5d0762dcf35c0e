// Files behind stores: reading a store file, and the lock its writers take.
#pragma once

#include "certificates/certobject.h"
#include "files/filelock.h"

#include <string>

namespace platform {

enum class StoreFileRead { Read, Missing, Failed };

// Reads a serialized store file like readWholeFile, but refuses (ERROR_FILE_CORRUPT) a
// file that does not begin with the store header before reading the rest of it. Missing
// when the file is not there but its folder is; Failed with the last error set otherwise.
StoreFileRead readStoreFile(const std::string &path, Bytes &out);

// The lock of a store file, which every writer of the file finds because it lies beside
// it: ".<name>.lock" in the file's folder, the name without its ".sst".
std::string lockPathOf(const std::string &target);

// Takes the lock of the store file `target` (links followed), see FileLock.
FileLock lockStoreFile(const std::string &target);

} // namespace platform
