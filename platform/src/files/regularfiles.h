// Regular files by path: the folder a path names, opening without ever blocking, and what
// a write that puts a new file in place of an old one must know of the old one.
#pragma once

#include <string>
#include <sys/stat.h>

namespace platform {

// The folder of the file a path names: "." for a bare name, "/" for one at the root.
std::string folderOf(const std::string &path);

// The last part of a path: the file's own name.
std::string fileNameOf(const std::string &path);

// Opens with the open(2) `flags`, without waiting (a FIFO without a writer would block a
// plain open), and refuses anything but a regular file before it is used: a folder with
// ERROR_ACCESS_DENIED, as Windows answers, a FIFO, device or socket with
// ERROR_NOT_SUPPORTED, a missing name with missingFileError. The descriptor, or -1 with
// the last error set.
int openRegularFile(const std::string &path, int flags);

// Share modes between handles of this layer, kept as advisory locks on the open file: a
// handle opened without sharing holds the exclusive lock, any other handle a shared one.
// takeShareLock is false with ERROR_SHARING_VIOLATION when the handle's lock conflicts
// with an open handle; sharingViolation is true, with that error set, while a handle
// without sharing has the file at `path` open, which then may not be deleted or moved.
bool takeShareLock(int fd, bool exclusive);
bool sharingViolation(const std::string &path);

// The file that `path` names once symbolic links are followed, so that a write replaces
// the link's target and keeps the link (a dangling link names the file it would make).
// False with the last error set when a link cannot be read or the links go round
// (ERROR_CANT_RESOLVE_FILENAME).
bool followLinks(const std::string &path, std::string &target);

enum class Replaceable { Missing, Present, Refused };

// Whether a new file may be put in place of `target` (links followed): Present, with its
// status, for a regular file the caller may write; Missing when nothing is there; Refused
// with the last error set otherwise: ERROR_ACCESS_DENIED for a folder or a file the
// caller may not write (a read-only file, as Windows refuses it), ERROR_NOT_SUPPORTED
// for a FIFO, device or socket.
Replaceable checkReplaceable(const std::string &target, struct stat &status);

// Gives the new file open as `fd` the permissions of the file it replaces, and its owner
// and group as far as the caller may set them (an ordinary user cannot give a file away).
// False with errno set when the permissions cannot be set.
bool keepOwnerAndMode(int fd, const struct stat &replaced);

} // namespace platform
