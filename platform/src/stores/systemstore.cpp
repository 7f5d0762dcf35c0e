#include "stores/systemstore.h"
#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/filereading.h"
#include "files/filereplace.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "stores/serializedformat.h"
#include "stores/storefile.h"
#include "text/unicodetext.h"
#include "text/utf8text.h"
#include "userhome.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

// The stores a user of Windows always finds, in the order its tools list them.
const wchar_t *const kPredefinedStores[] = {L"My",         L"Root",          L"Trust",         L"CA",
                                            L"UserDS",     L"TrustedPublisher", L"Disallowed", L"AuthRoot",
                                            L"TrustedPeople", L"ClientAuthIssuer", L"SmartCardRoot",
                                            L"AddressBook", L"REQUEST"};

const char kSuffix[] = ".sst";

bool sameName(const std::wstring &a, const std::wstring &b)
{
    return toUnicodeString(a).caseCompare(toUnicodeString(b), U_FOLD_CASE_DEFAULT) == 0;
}

std::string storesFolder() { return userHome() + "/stores"; }

bool makeFolders(const std::string &path)
{
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/')
            continue;
        std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return fail(win32ErrorOfErrno(errno, ERROR_PATH_NOT_FOUND), false);
    }
    return true;
}

// Names of the store files present, without their suffix.
std::vector<std::wstring> existingStores(const std::string &folder)
{
    std::vector<std::wstring> names;
    const FolderStream dir(::opendir(folder.c_str()));
    if (!dir)
        return names;
    while (dirent *entry = ::readdir(dir.get())) {
        std::string file = entry->d_name;
        if (file.size() > sizeof kSuffix - 1 && file[0] != '.' &&
            file.compare(file.size() - (sizeof kSuffix - 1), std::string::npos, kSuffix) == 0)
            names.push_back(fromUtf8(file.substr(0, file.size() - (sizeof kSuffix - 1))));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool validStoreName(const std::wstring &name)
{
    if (name.empty() || name == L"." || name == L"..")
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](wchar_t c) { return c == L'/' || c == L'\\' || static_cast<unsigned>(c) < 0x20; });
}

// The file stem that holds the store of this name: a predefined store's own spelling,
// else the spelling of a store that exists, else the name as given.
std::wstring storeStem(const std::wstring &name, const std::string &folder)
{
    for (const wchar_t *known : kPredefinedStores)
        if (sameName(name, known))
            return known;
    for (const std::wstring &existing : existingStores(folder))
        if (sameName(name, existing))
            return existing;
    return name;
}

// Reads the store's file into it under the existence rules of the open flags; a missing
// file is created now when `createMissing` (the caller holds its lock), else at the first
// commit that writes one.
// Deletes the store and returns null with the last error set when anything fails.
Store *loadStore(Store *store, const std::string &path, DWORD flags, bool createMissing)
{
    Bytes data;
    StoreFileRead read = StoreFileRead::Failed;
    if ((flags & CERT_STORE_CREATE_NEW_FLAG) && fileExists(path))
        SetLastError(ERROR_FILE_EXISTS);
    else
        read = readStoreFile(path, data);
    if (read == StoreFileRead::Missing && (flags & CERT_STORE_OPEN_EXISTING_FLAG)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        read = StoreFileRead::Failed;
    }
    std::string target;
    const bool ready = read != StoreFileRead::Failed &&
                       (read == StoreFileRead::Read || !createMissing ||
                        (followLinks(path, target) && replaceFileAtomically(target, serializeStore({})))) &&
                       store->load(data);
    if (!ready) {
        delete store;
        return nullptr;
    }
    store->open();
    return store;
}

} // namespace

namespace platform {

Store *openFileStore(const std::string &path, DWORD flags)
{
    const bool readOnly = flags & CERT_STORE_READONLY_FLAG;
    const bool commit = flags & CERT_FILE_STORE_COMMIT_ENABLE_FLAG;
    if (readOnly && commit)
        return fail(hresultCode(E_INVALIDARG), static_cast<Store *>(nullptr));
    if (flags & CERT_STORE_DELETE_FLAG) {
        if (::unlink(path.c_str()) != 0)
            return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), static_cast<Store *>(nullptr));
        return fail(ERROR_SUCCESS, static_cast<Store *>(nullptr));
    }
    auto *store = new Store(Store::Kind::File);
    store->configureFile(path, commit, readOnly);
    // A read-only store of a missing file is refused like OPEN_EXISTING: there is nothing to
    // show. A writable one is made by the commit that first has something to write, so that
    // opening a mistaken path leaves no empty store file behind.
    return loadStore(store, path, flags | (readOnly ? CERT_STORE_OPEN_EXISTING_FLAG : 0), false);
}

Store *openSystemStore(LPCWSTR name, DWORD flags)
{
    if ((flags & CERT_SYSTEM_STORE_LOCATION_MASK) != CERT_SYSTEM_STORE_CURRENT_USER)
        return fail(hresultCode(E_INVALIDARG), static_cast<Store *>(nullptr));
    if (!name || !validStoreName(name))
        return fail(ERROR_INVALID_NAME, static_cast<Store *>(nullptr));
    const std::string folder = storesFolder();
    if (!makeFolders(folder))
        return nullptr;
    const std::string stem = toUtf8(storeStem(name, folder));
    const std::string path = folder + "/" + stem + kSuffix;
    const bool readOnly = flags & CERT_STORE_READONLY_FLAG;

    std::string target;
    if (!followLinks(path, target))
        return nullptr;
    // As Windows refuses to open for writing a store the user may only read, a store whose
    // folder or file the caller may not write opens only with CERT_STORE_READONLY_FLAG.
    if (!readOnly) {
        struct stat status {};
        if (::faccessat(AT_FDCWD, folderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0)
            return fail(ERROR_ACCESS_DENIED, static_cast<Store *>(nullptr));
        if (checkReplaceable(target, status) == Replaceable::Refused)
            return nullptr;
    }
    // A reader needs no lock, as writers replace the file whole: a user who may only read
    // the store's folder can still open it read-only.
    std::optional<FileLock> lock;
    if (!readOnly || (flags & CERT_STORE_DELETE_FLAG)) {
        lock.emplace(lockStoreFile(target));
        if (!lock->locked())
            return nullptr;
    }
    if (flags & CERT_STORE_DELETE_FLAG) {
        if (::unlink(path.c_str()) != 0 && errno != ENOENT)
            return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), static_cast<Store *>(nullptr));
        return fail(ERROR_SUCCESS, static_cast<Store *>(nullptr));
    }
    auto *store = new Store(Store::Kind::System);
    store->configureSystem(path, readOnly);
    return loadStore(store, path, flags, !readOnly);
}

} // namespace platform

HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY, LPCWSTR szSubsystemProtocol)
{
    return openSystemStore(szSubsystemProtocol, CERT_SYSTEM_STORE_CURRENT_USER);
}

BOOL WINAPI CertEnumSystemStore(DWORD dwFlags, void *, void *pvArg, PFN_CERT_ENUM_SYSTEM_STORE pfnEnum)
{
    if ((dwFlags & CERT_SYSTEM_STORE_LOCATION_MASK) != CERT_SYSTEM_STORE_CURRENT_USER || !pfnEnum)
        return fail(hresultCode(E_INVALIDARG));
    std::vector<std::wstring> names(std::begin(kPredefinedStores), std::end(kPredefinedStores));
    for (const std::wstring &existing : existingStores(storesFolder()))
        if (std::none_of(std::begin(kPredefinedStores), std::end(kPredefinedStores),
                         [&](const wchar_t *known) { return sameName(existing, known); }))
            names.push_back(existing);
    for (const std::wstring &name : names) {
        CERT_SYSTEM_STORE_INFO info{sizeof(CERT_SYSTEM_STORE_INFO)};
        if (!pfnEnum(name.c_str(), CERT_SYSTEM_STORE_CURRENT_USER, &info, nullptr, pvArg))
            return FALSE; // the callback's own last error stands
    }
    return TRUE;
}
