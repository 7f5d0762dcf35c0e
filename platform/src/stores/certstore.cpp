// Store calls: open (memory, file, system, and from a PKCS #7 message or serialized store
// in memory), close, enumerate, find, add, serialize, delete.
#include "certificates/standalonecert.h"
#include "lasterror.h"
#include "stores/adddisposition.h"
#include "stores/pkcs7message.h"
#include "stores/serializedformat.h"
#include "text/utf8text.h"
#include "stores/systemstore.h"

#include <cstring>
#include <strings.h>

using namespace platform;

namespace {

// A provider is named by a small integer in place of a pointer, or by its name.
bool isProvider(LPCSTR given, LPCSTR number, const char *name)
{
    auto value = reinterpret_cast<std::uintptr_t>(given);
    if (value <= 0xFFFF)
        return given == number;
    return ::strcasecmp(given, name) == 0;
}

// Frees a context handed in as "previous" under the contract that it is always freed,
// keeping the call's own last error.
void freePrevious(PCCERT_CONTEXT previous)
{
    if (!previous)
        return;
    const DWORD error = GetLastError();
    CertFreeCertificateContext(previous);
    SetLastError(error);
}

CertObject *previousIn(Store *store, PCCERT_CONTEXT previous, bool &ok)
{
    ok = true;
    if (!previous)
        return nullptr;
    CertObject *object = certObject(previous);
    if (!object || object->owner != store) {
        ok = false;
        SetLastError(hresultCode(E_INVALIDARG));
        return nullptr;
    }
    return object;
}

// A memory store holding what a PKCS #7 message or a serialized store carries; null with
// the last error set when the bytes are not one.
HCERTSTORE openMessageStore(bool pkcs7, const CRYPT_DATA_BLOB &blob)
{
    const Bytes data(blob.pbData, blob.pbData + blob.cbData);
    auto *store = new Store(Store::Kind::Memory);
    bool loaded = true;
    if (pkcs7) {
        std::vector<Bytes> certificates;
        loaded = readSignedDataCertificates(data.data(), data.size(), certificates);
        for (std::size_t i = 0; loaded && i < certificates.size(); ++i) {
            auto cert = parseCertificate(certificates[i].data(), static_cast<DWORD>(certificates[i].size()));
            // The hash is kept as a property from the start, as for a context created alone.
            std::vector<Property> props;
            if (cert)
                props.push_back(Property{CERT_SHA1_HASH_PROP_ID, X509_ASN_ENCODING,
                                         computeHashProperty(*cert, CERT_SHA1_HASH_PROP_ID)});
            loaded = cert && store->add(std::move(cert), std::move(props), CERT_STORE_ADD_ALWAYS, nullptr);
        }
    } else {
        loaded = store->load(data);
    }
    if (!loaded) {
        const DWORD error = GetLastError();
        store->addRef();
        store->release();
        return fail(error, static_cast<HCERTSTORE>(nullptr));
    }
    store->open();
    return store;
}

} // namespace

HCERTSTORE WINAPI CertOpenStore(LPCSTR lpszStoreProvider, DWORD, HCRYPTPROV_LEGACY, DWORD dwFlags, const void *pvPara)
{
    if (!lpszStoreProvider)
        return fail(hresultCode(E_INVALIDARG), static_cast<HCERTSTORE>(nullptr));
    if (isProvider(lpszStoreProvider, CERT_STORE_PROV_MEMORY, sz_CERT_STORE_PROV_MEMORY)) {
        auto *store = new Store(Store::Kind::Memory);
        store->open();
        return store;
    }
    if (isProvider(lpszStoreProvider, CERT_STORE_PROV_FILENAME_W, sz_CERT_STORE_PROV_FILENAME_W) ||
        isProvider(lpszStoreProvider, CERT_STORE_PROV_FILENAME_A, "File")) {
        if (!pvPara)
            return fail(hresultCode(E_INVALIDARG), static_cast<HCERTSTORE>(nullptr));
        const bool wide = reinterpret_cast<std::uintptr_t>(lpszStoreProvider) > 0xFFFF ||
                          lpszStoreProvider == CERT_STORE_PROV_FILENAME_W;
        const std::string path = wide ? toUtf8(static_cast<LPCWSTR>(pvPara)) : static_cast<LPCSTR>(pvPara);
        if (path.empty())
            return fail(ERROR_INVALID_NAME, static_cast<HCERTSTORE>(nullptr));
        return openFileStore(path, dwFlags);
    }
    const bool pkcs7 = isProvider(lpszStoreProvider, CERT_STORE_PROV_PKCS7, sz_CERT_STORE_PROV_PKCS7);
    if (pkcs7 || isProvider(lpszStoreProvider, CERT_STORE_PROV_SERIALIZED, sz_CERT_STORE_PROV_SERIALIZED)) {
        const auto *blob = static_cast<const CRYPT_DATA_BLOB *>(pvPara);
        if (!blob || (blob->cbData && !blob->pbData))
            return fail(hresultCode(E_INVALIDARG), static_cast<HCERTSTORE>(nullptr));
        return openMessageStore(pkcs7, *blob);
    }
    if (isProvider(lpszStoreProvider, CERT_STORE_PROV_SYSTEM_W, sz_CERT_STORE_PROV_SYSTEM_W))
        return openSystemStore(static_cast<LPCWSTR>(pvPara), dwFlags);
    return fail(ERROR_CALL_NOT_IMPLEMENTED, static_cast<HCERTSTORE>(nullptr));
}

HCERTSTORE WINAPI CertDuplicateStore(HCERTSTORE hCertStore)
{
    Store *store = storeOf(hCertStore);
    if (store)
        store->open();
    return store;
}

BOOL WINAPI CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags)
{
    if (!hCertStore)
        return TRUE;
    Store *store = storeOf(hCertStore);
    if (!store)
        return FALSE;
    bool written = true;
    DWORD error = ERROR_SUCCESS;
    if (store->closeHandle() && store->commitOnClose()) {
        written = store->commit(false);
        error = GetLastError();
    }
    const bool pending = store->hasOutstandingReferences();
    store->release();
    if (!written)
        return fail(error);
    if ((dwFlags & CERT_CLOSE_STORE_CHECK_FLAG) && pending)
        return fail(hresultCode(CRYPT_E_PENDING_CLOSE));
    return TRUE;
}

BOOL WINAPI CertControlStore(HCERTSTORE hCertStore, DWORD dwFlags, DWORD dwCtrlType, void const *)
{
    Store *store = storeOf(hCertStore);
    if (!store)
        return FALSE;
    switch (dwCtrlType) {
    case CERT_STORE_CTRL_COMMIT:
        if (dwFlags & CERT_STORE_CTRL_COMMIT_CLEAR_FLAG) {
            store->clearDirty();
            return TRUE;
        }
        return store->commit(dwFlags & CERT_STORE_CTRL_COMMIT_FORCE_FLAG) ? TRUE : FALSE;
    case CERT_STORE_CTRL_RESYNC:
        return store->resync() ? TRUE : FALSE;
    case CERT_STORE_CTRL_AUTO_RESYNC:
        return TRUE;
    case CERT_STORE_CTRL_NOTIFY_CHANGE:
    case CERT_STORE_CTRL_CANCEL_NOTIFY:
        return fail(ERROR_CALL_NOT_IMPLEMENTED);
    default:
        return fail(hresultCode(E_INVALIDARG));
    }
}

PCCERT_CONTEXT WINAPI CertEnumCertificatesInStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pPrevCertContext)
{
    Store *store = storeOf(hCertStore);
    bool ok = store != nullptr;
    CertObject *previous = ok ? previousIn(store, pPrevCertContext, ok) : nullptr;
    CertObject *next = ok ? store->enumerate(previous) : nullptr;
    if (ok && !next)
        SetLastError(hresultCode(CRYPT_E_NOT_FOUND));
    freePrevious(pPrevCertContext);
    return next;
}

PCCERT_CONTEXT WINAPI CertFindCertificateInStore(HCERTSTORE hCertStore, DWORD, DWORD, DWORD dwFindType,
                                                 const void *pvFindPara, PCCERT_CONTEXT pPrevCertContext)
{
    Store *store = storeOf(hCertStore);
    bool ok = store != nullptr;
    CertObject *previous = ok ? previousIn(store, pPrevCertContext, ok) : nullptr;
    CertObject *found = nullptr;
    if (ok) {
        switch (dwFindType) {
        case CERT_FIND_ANY:
            found = store->enumerate(previous);
            break;
        case CERT_FIND_SHA1_HASH: {
            auto *blob = static_cast<const CRYPT_HASH_BLOB *>(pvFindPara);
            if (!blob || (blob->cbData && !blob->pbData)) {
                ok = false;
                SetLastError(hresultCode(E_INVALIDARG));
            } else if (blob->cbData == 20) {
                found = store->findByHash(std::string(blob->pbData, blob->pbData + 20), previous);
            }
            break;
        }
        case CERT_FIND_EXISTING: {
            CertObject *wanted = certObject(static_cast<PCCERT_CONTEXT>(pvFindPara));
            ok = wanted != nullptr;
            if (ok)
                found = store->findByHash(wanted->hashKey(), previous);
            break;
        }
        default:
            ok = false;
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        }
        if (ok && !found)
            SetLastError(hresultCode(CRYPT_E_NOT_FOUND));
    }
    freePrevious(pPrevCertContext);
    return found;
}

BOOL WINAPI CertAddCertificateContextToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext,
                                             DWORD dwAddDisposition, PCCERT_CONTEXT *ppStoreContext)
{
    if (ppStoreContext)
        *ppStoreContext = nullptr;
    Store *store = storeOf(hCertStore);
    CertObject *source = store ? certObject(pCertContext) : nullptr;
    if (!source)
        return FALSE;
    std::vector<Property> props;
    {
        std::lock_guard<std::mutex> guard(source->owner->mutex());
        props = source->props;
    }
    auto parsed = parseCertificate(source->pbCertEncoded, source->cbCertEncoded);
    if (!parsed)
        return FALSE;
    CertObject *added = nullptr;
    if (!store->add(std::move(parsed), std::move(props), dwAddDisposition, ppStoreContext ? &added : nullptr))
        return FALSE;
    if (ppStoreContext)
        *ppStoreContext = added;
    return TRUE;
}

BOOL WINAPI CertSerializeCertificateStoreElement(PCCERT_CONTEXT pCertContext, DWORD, BYTE *pbElement,
                                                 DWORD *pcbElement)
{
    CertObject *object = certObject(pCertContext);
    if (!object)
        return FALSE;
    if (!pcbElement)
        return fail(hresultCode(E_INVALIDARG));
    Bytes element;
    {
        std::lock_guard<std::mutex> guard(object->owner->mutex());
        appendElement(element, elementOf(*object));
    }
    return copyOut(element.data(), static_cast<DWORD>(element.size()), pbElement, pcbElement);
}

BOOL WINAPI CertAddSerializedElementToStore(HCERTSTORE hCertStore, const BYTE *pbElement, DWORD cbElement,
                                            DWORD dwAddDisposition, DWORD, DWORD dwContextTypeFlags,
                                            DWORD *pdwContextType, const void **ppvContext)
{
    if (ppvContext)
        *ppvContext = nullptr;
    Store *store = hCertStore ? storeOf(hCertStore) : nullptr;
    if (hCertStore && !store)
        return FALSE;
    SerializedElement element;
    if (!parseSerializedElement(pbElement, cbElement, element))
        return FALSE;
    const DWORD contextType = element.id - kCertElementId + CERT_STORE_CERTIFICATE_CONTEXT;
    if (!(dwContextTypeFlags & (1u << contextType)))
        return fail(hresultCode(E_INVALIDARG));
    if (pdwContextType)
        *pdwContextType = contextType;
    if (element.id != kCertElementId) {
        // CRLs and CTLs are kept and written back, but this layer hands out no contexts for them.
        const bool ok = store && !ppvContext && store->addOpaque(std::move(element));
        if (!ok && (!store || ppvContext))
            SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return ok ? TRUE : FALSE;
    }
    auto cert = parseCertificate(element.encoded.data(), static_cast<DWORD>(element.encoded.size()));
    if (!cert)
        return FALSE;
    auto props = trustedProperties(element.props, *cert);
    if (!store) { // the element becomes a context of its own
        if (!isAddDisposition(dwAddDisposition))
            return fail(hresultCode(E_INVALIDARG));
        CertObject *context = newStandaloneCertificate(std::move(cert), std::move(props));
        if (ppvContext)
            *ppvContext = static_cast<PCCERT_CONTEXT>(context);
        else
            CertFreeCertificateContext(context);
        return TRUE;
    }
    CertObject *added = nullptr;
    if (!store->add(std::move(cert), std::move(props), dwAddDisposition, ppvContext ? &added : nullptr))
        return FALSE;
    if (ppvContext)
        *ppvContext = static_cast<PCCERT_CONTEXT>(added);
    return TRUE;
}

BOOL WINAPI CertDeleteCertificateFromStore(PCCERT_CONTEXT pCertContext)
{
    CertObject *object = certObject(pCertContext);
    if (!object)
        return FALSE;
    const bool removed = object->owner->remove(object);
    const DWORD error = GetLastError();
    CertFreeCertificateContext(pCertContext); // freed whatever the outcome
    if (!removed)
        return fail(error);
    return TRUE;
}
