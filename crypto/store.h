// Certificate stores: a system store of the current user, or a store file.
#pragma once

#include "crypto/certificate.h"
#include "crypto/storehandle.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

namespace crypto {

class CryptoProvider;

// Owns one store handle; closed when it goes.
class CryptoStore {
public:
    // The current user's system store of that name (no provider: callers pass none).
    CryptoStore(const CryptoProvider *provider, const std::wstring &name);
    virtual ~CryptoStore() = default;
    CryptoStore(const CryptoStore &) = delete;
    CryptoStore &operator=(const CryptoStore &) = delete;

    HCERTSTORE handle() const { return m_handle.get(); }

    void add(const CryptoCertificate &certificate);
    virtual void add(PCCERT_CONTEXT context);

    // The certificate with this SHA-1 hash; throws when there is none.
    CryptoCertificate findByHash(const std::vector<BYTE> &hash) const;
    // Every certificate in store order. Never throws, by contract: the list ends where the
    // store's enumeration ends.
    std::vector<CryptoCertificate> enumerate() const;

    // Writes what changed to the store's file now; throws when the write fails. A system
    // store has written every change already.
    void commit();
    // Reads the store again from where it is kept (a system store or a store file), so
    // that it holds what others changed there and drops its own changes not yet written;
    // throws when the store cannot be read.
    void resync();

protected:
    // Takes over the store just opened; throws, right after the opening call, when it failed
    // (the system's text preceded by `sentence` when one is given).
    explicit CryptoStore(HCERTSTORE opened, const wchar_t *sentence = nullptr);

private:
    StoreHandle m_handle;
};

// A store file (SST) that keeps each certificate with its properties; what changed is
// written back when the store is closed.
class SerializedStore : public CryptoStore {
public:
    explicit SerializedStore(const std::wstring &path);

    // Adds with the certificate's properties, replacing an equal certificate.
    void add(PCCERT_CONTEXT context) override;
    using CryptoStore::add;
};

// A store that lives in memory only: empty, or the certificates of an encoded message.
class MemoryStore : public CryptoStore {
public:
    MemoryStore();
    // The certificates of a PKCS #7 message (`provider` CERT_STORE_PROV_PKCS7) or of a
    // serialized store, with their properties (CERT_STORE_PROV_SERIALIZED); throws when
    // the bytes are not that.
    MemoryStore(LPCSTR provider, const BYTE *data, size_t size);

    // Every certificate as a serialized store, with its properties
    // (CERT_STORE_SAVE_AS_STORE), or as a PKCS #7 message (CERT_STORE_SAVE_AS_PKCS7).
    std::vector<BYTE> save(DWORD saveAs) const;
};

// A store file when `isFile`, else the system store of that name.
boost::shared_ptr<CryptoStore> openStore(const std::wstring &nameOrPath, bool isFile);

// The store openStore opens, for a window to show: where the user may not change it (a
// store file that cannot be opened for writing, a system store refused with access
// denied), the same store opened read-only instead, and `readOnly` set.
boost::shared_ptr<CryptoStore> openStoreToView(const std::wstring &nameOrPath, bool isFile, bool &readOnly);

} // namespace crypto
