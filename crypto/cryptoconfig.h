// Crypto.cfg: which certificate store the installation window proposes.
#pragma once

#include <string>

struct StoreConfig {
    std::wstring type; // "File" or "file" for a store file, anything else a system store
    std::wstring name; // the system store's name or the store file's path
};

// Reads `path`, else the first of Crypto.cfg next to the program and the config folders
// above it, else the user's configuration folder; one that cannot be read is passed over.
// The text is UTF-8 (a byte-order mark is skipped), else Windows-1251; a line whose value
// holds a NUL character is ignored. Without a file: "System" and "MY". Never throws,
// whatever the folders are called.
StoreConfig readCryptoConfig(const std::wstring &path);

// The program's folder, without a trailing separator; throws when the system cannot tell it.
std::wstring moduleDirectory();

// A path relative to the program's folder: leading "./" are dropped and each "../" goes
// one folder up, never above the folder's first two components.
std::wstring resolveModuleRelativePath(const std::wstring &relativePath);
