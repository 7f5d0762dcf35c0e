// CertSaveStore: a store's contents as a serialized store (the bytes a store file holds)
// or as a PKCS #7 message, into memory, an open file or a file by name.
#include "files/filereplace.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "stores/pkcs7message.h"
#include "stores/serializedformat.h"
#include "stores/store.h"
#include "stores/storefile.h"
#include "text/utf8text.h"

#include <algorithm>

using namespace platform;

namespace {

// All of the bytes through WriteFile, which leaves the file's position after them.
bool writeToHandle(HANDLE file, const Bytes &data)
{
    DWORD written = 0;
    for (std::size_t at = 0; at < data.size(); at += written) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - at, 0x40000000));
        if (!WriteFile(file, data.data() + at, chunk, &written, nullptr))
            return false;
    }
    return true;
}

} // namespace

BOOL WINAPI CertSaveStore(HCERTSTORE hCertStore, DWORD, DWORD dwSaveAs, DWORD dwSaveTo, void *pvSaveToPara,
                          DWORD dwFlags)
{
    Store *store = storeOf(hCertStore);
    if (!store)
        return FALSE;
    if (dwFlags != 0 || !pvSaveToPara)
        return fail(hresultCode(E_INVALIDARG));
    Bytes data;
    if (dwSaveAs == CERT_STORE_SAVE_AS_STORE)
        data = serializeStore(store->elements());
    else if (dwSaveAs != CERT_STORE_SAVE_AS_PKCS7)
        return fail(hresultCode(E_INVALIDARG));
    else if (!writeDegenerateSignedData(store->elements(), data))
        return FALSE;
    if (data.size() > 0xFFFFFFFF)
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    switch (dwSaveTo) {
    case CERT_STORE_SAVE_TO_MEMORY: {
        auto *blob = static_cast<CRYPT_DATA_BLOB *>(pvSaveToPara);
        return copyOut(data.data(), static_cast<DWORD>(data.size()), blob->pbData, &blob->cbData);
    }
    case CERT_STORE_SAVE_TO_FILE:
        return writeToHandle(static_cast<HANDLE>(pvSaveToPara), data) ? TRUE : FALSE;
    case CERT_STORE_SAVE_TO_FILENAME_A:
    case CERT_STORE_SAVE_TO_FILENAME_W: {
        const std::string path = dwSaveTo == CERT_STORE_SAVE_TO_FILENAME_W
                                     ? toUtf8(static_cast<LPCWSTR>(pvSaveToPara))
                                     : static_cast<LPCSTR>(pvSaveToPara);
        if (path.empty())
            return fail(ERROR_INVALID_NAME);
        // Replaced whole, so that a failed save leaves the file as it was, under the lock
        // that commits to the file take.
        std::string target;
        if (!followLinks(path, target))
            return FALSE;
        FileLock lock = lockStoreFile(target);
        return lock.locked() && replaceFileAtomically(target, data) ? TRUE : FALSE;
    }
    default:
        return fail(hresultCode(E_INVALIDARG));
    }
}
