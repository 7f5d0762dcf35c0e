#include "stores/storefile.h"

#include "files/descriptor.h"
#include "files/filereading.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "stores/serializedformat.h"

#include <algorithm>

namespace platform {

StoreFileRead readStoreFile(const std::string &path, Bytes &out)
{
    out.clear();
    size_t size = 0;
    Fd file(openToRead(path, size));
    if (!file) // missing with its folder there, or failed
        return GetLastError() == ERROR_FILE_NOT_FOUND ? StoreFileRead::Missing : StoreFileRead::Failed;
    if (size == 0)
        return StoreFileRead::Read; // an empty file is an empty store
    // The header first: a file that is no store costs its first bytes, whatever its size.
    out.resize(std::min(size, kSerializedStoreHeaderSize));
    if (!readFully(file.get(), out, 0))
        return StoreFileRead::Failed;
    if (!isSerializedStoreHeader(out.data(), out.size()))
        return fail(ERROR_FILE_CORRUPT, StoreFileRead::Failed);
    const size_t read = out.size();
    out.resize(size);
    return readFully(file.get(), out, read) ? StoreFileRead::Read : StoreFileRead::Failed;
}

std::string lockPathOf(const std::string &target)
{
    std::string name = fileNameOf(target);
    static const char suffix[] = ".sst";
    if (name.size() > sizeof suffix - 1 && name.compare(name.size() - (sizeof suffix - 1), std::string::npos, suffix) == 0)
        name.resize(name.size() - (sizeof suffix - 1));
    return folderOf(target) + "/." + name + ".lock";
}

FileLock lockStoreFile(const std::string &target) { return FileLock(lockPathOf(target), target); }

} // namespace platform
