// Files replaced whole: the new contents go to a temporary file beside the old one, which
// is flushed and renamed over it, so that a failure at any point leaves the old file whole.
#pragma once

#include <windows.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Makes a temporary file beside `target` (".<name>.tmp.XXXXXX": hidden while it is
// written, and told from any file of the user's by its shape), has `fill` write it, flushes
// it and renames it over `target`, then flushes the folder so that the rename lasts.
// `fill` gets the new file's descriptor and returns 0, or the errno it failed with. With
// `replace` false a file already at `target` is left alone (ERROR_ALREADY_EXISTS). The
// temporary file is removed when anything fails; false with the last error set then.
bool replaceWithNewFile(const std::string &target, const std::function<int(int fd)> &fill, bool replace);

// Renames `from` to `to` unless a file is there; 0, EEXIST when one is, or the errno the
// rename failed with. The refusal is atomic: no file made at `to` meanwhile is replaced.
int renameNoReplace(const std::string &from, const std::string &to);

// Replaces the file `target` (links followed, see followLinks) by `data` through
// replaceWithNewFile. Keeps the old file's permissions, and its owner as far as the caller
// may; refuses a file the caller may not write or that is no regular file (see
// checkReplaceable). Callers hold the file's FileLock. False with the last error set when
// it fails.
bool replaceFileAtomically(const std::string &target, const std::vector<BYTE> &data);

// Removes the temporary files of `target` last written before `moment`. Called with the
// file's lock held, when every writer that made one has gone: a live writer holds the lock.
void removeTemporariesBefore(const std::string &target, const timespec &moment);

} // namespace platform
