// Regular files read whole, by the size they have when opened.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace platform {

// Opens a file to read it by its size (see openRegularFile): the descriptor, or -1 with
// the last error set. A file longer than 32-bit lengths reach is refused with
// ERROR_FILE_CORRUPT, as its readers address their data with them.
int openToRead(const std::string &path, size_t &size);

// Fills `out` from `at` on; a file that shrank since its size was taken ends it early.
// False with the last error set when reading fails.
bool readFully(int fd, std::vector<BYTE> &out, size_t at);

// Reads the whole file, as many bytes as its size says, into one buffer; false with the
// last error set when it cannot. Anything but a regular file (a folder, FIFO, device or
// socket) fails at once and never blocks.
bool readWholeFile(const std::string &path, std::vector<BYTE> &out);
// Like readWholeFile, but a file of more than `largest` bytes fails with
// ERROR_FILE_TOO_LARGE before any of it is read.
bool readWholeFile(const std::string &path, std::vector<BYTE> &out, size_t largest);

bool fileExists(const std::string &path);

} // namespace platform
