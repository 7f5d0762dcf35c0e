// Regular files by path: the folder a path names, and opening without ever blocking.
#pragma once

#include <string>

namespace platform {

// The folder of the file a path names: "." for a bare name, "/" for one at the root.
std::string folderOf(const std::string &path);

// Opens with the open(2) `flags`, without waiting (a FIFO without a writer would block a
// plain open), and refuses anything but a regular file before it is used: a folder with
// ERROR_ACCESS_DENIED, as Windows answers, a FIFO, device or socket with
// ERROR_NOT_SUPPORTED, a missing name with missingFileError. The descriptor, or -1 with
// the last error set.
int openRegularFile(const std::string &path, int flags);

} // namespace platform
