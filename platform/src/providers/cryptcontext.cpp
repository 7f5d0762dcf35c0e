// Provider contexts and the keys of their containers. An HCRYPTPROV or HCRYPTKEY is a
// pointer to a handle object of this file; a table of the live ones refuses stale and
// foreign handles before they are touched. A key keeps what it needs of its context, so
// the context may be released before the key.
#include "lasterror.h"
#include "providers/keycontainers.h"
#include "providers/providers.h"
#include "text/ansitext.h"
#include "text/utf8text.h"
#include "userhome.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

using namespace platform;

namespace {

constexpr DWORD kLargestProviderType = 999;

// What a context opened: a provider, and a container unless it is a verify context.
struct Session {
    ProviderConfig provider;
    bool hasContainer = false;
    Container container;
    std::wstring requestedName; // the container name as the caller gave it

    std::mutex mutex; // guards the container listing
    bool listed = false;
    std::vector<std::string> listing; // ANSI names as of the last CRYPT_FIRST
    size_t next = 0;

    std::vector<Reader> readers() const
    {
        return presentReaders(provider.sources.empty() ? defaultReaderSources() : provider.sources);
    }
};

struct ProviderHandle {
    static constexpr std::uint32_t kMagic = 0x50524F56; // "PROV"
    std::uint32_t magic = kMagic;
    std::shared_ptr<Session> session;
};

struct KeyHandle {
    static constexpr std::uint32_t kMagic = 0x4B455921; // "KEY!"
    std::uint32_t magic = kMagic;
    std::shared_ptr<Session> session; // the context lives on with its keys
    ContainerKey key;                 // read when the key is opened, so sizes and data agree
};

enum class HandleKind { Provider, Key };

// The live handles and what each one is.
struct HandleTable {
    std::mutex mutex;
    std::unordered_map<const void *, HandleKind> kinds;
};

HandleTable &handles()
{
    static HandleTable table;
    return table;
}

template <class T>
ULONG_PTR registerHandle(T *object, HandleKind kind)
{
    HandleTable &table = handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.kinds.emplace(object, kind);
    return reinterpret_cast<ULONG_PTR>(object);
}

template <class T>
T *lookup(ULONG_PTR handle, HandleKind kind)
{
    auto *object = reinterpret_cast<T *>(handle);
    HandleTable &table = handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.kinds.find(object);
    if (it == table.kinds.end() || it->second != kind || object->magic != T::kMagic)
        return nullptr;
    return object;
}

// Takes the handle out of the table; the caller deletes the object. Null when it was not
// a live handle of this kind.
template <class T>
T *unregister(ULONG_PTR handle, HandleKind kind)
{
    T *object = lookup<T>(handle, kind);
    if (!object)
        return nullptr;
    HandleTable &table = handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.kinds.erase(object) == 0)
        return nullptr; // released by another thread meanwhile
    object->magic = 0;
    return object;
}

// A failure of a call that reports a size: the size is zero unless more room is asked for.
BOOL failWithSize(DWORD code, DWORD *size)
{
    *size = 0;
    return fail(code);
}

BOOL answerAnsi(const std::wstring &text, BYTE *out, DWORD *outSize)
{
    const std::string ansi = toAnsi(text);
    return copyOut(ansi.c_str(), static_cast<DWORD>(ansi.size() + 1), out, outSize);
}

// One container name per call. The names are taken at CRYPT_FIRST (or at the first call
// without it); a short or missing buffer gets the size of the longest name and leaves the
// position where it is.
BOOL enumContainers(Session &session, BYTE *out, DWORD *outSize, DWORD flags)
{
    if (flags != 0 && flags != CRYPT_FIRST && flags != CRYPT_NEXT)
        return failWithSize(hresultCode(NTE_BAD_FLAGS), outSize);
    std::lock_guard<std::mutex> lock(session.mutex);
    if (flags == CRYPT_FIRST || !session.listed) {
        session.listing.clear();
        for (const Reader &reader : session.readers())
            for (const Container &container : containersIn(reader))
                session.listing.push_back(toAnsi(container.name));
        session.next = 0;
        session.listed = true;
    }
    if (session.next >= session.listing.size())
        return failWithSize(ERROR_NO_MORE_ITEMS, outSize);
    size_t longest = 0;
    for (const std::string &name : session.listing)
        longest = std::max(longest, name.size() + 1);
    const std::string &name = session.listing[session.next];
    if (!out || *outSize < name.size() + 1) {
        *outSize = static_cast<DWORD>(longest);
        return out ? fail(ERROR_MORE_DATA) : TRUE;
    }
    std::memcpy(out, name.c_str(), name.size() + 1);
    *outSize = static_cast<DWORD>(name.size() + 1);
    ++session.next;
    return TRUE;
}

const ProviderConfig *findProvider(const std::vector<ProviderConfig> &providers, LPCWSTR name, DWORD type)
{
    for (const ProviderConfig &provider : providers) {
        if (!name && provider.type == type)
            return &provider;
        if (name && sameProviderName(provider.name, name)) {
            if (provider.type != type)
                return fail(hresultCode(NTE_PROV_TYPE_NO_MATCH), static_cast<const ProviderConfig *>(nullptr));
            return &provider;
        }
    }
    return fail(hresultCode(name ? NTE_KEYSET_NOT_DEF : NTE_PROV_TYPE_NOT_DEF),
                static_cast<const ProviderConfig *>(nullptr));
}

} // namespace

BOOL WINAPI CryptEnumProvidersW(DWORD dwIndex, DWORD *pdwReserved, DWORD dwFlags, DWORD *pdwProvType, LPWSTR szProvName,
                                DWORD *pcbProvName)
{
    if (pdwReserved || !pdwProvType || !pcbProvName)
        return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags != 0)
        return fail(hresultCode(NTE_BAD_FLAGS));
    // A walk through the providers starts at index 0: the file is read there, and the
    // rest of the walk sees the same list unless the file changes meanwhile.
    const auto providers = installedProviders(dwIndex == 0 ? ProviderListing::Fresh : ProviderListing::Cached);
    if (dwIndex >= providers->size())
        return fail(ERROR_NO_MORE_ITEMS);
    const ProviderConfig &provider = (*providers)[dwIndex];
    *pdwProvType = provider.type;
    // The size is in bytes, terminating zero included.
    const DWORD size = static_cast<DWORD>((provider.name.size() + 1) * sizeof(WCHAR));
    return copyOut(provider.name.c_str(), size, reinterpret_cast<BYTE *>(szProvName), pcbProvName);
}

BOOL WINAPI CryptAcquireContextW(HCRYPTPROV *phProv, LPCWSTR szContainer, LPCWSTR szProvider, DWORD dwProvType,
                                 DWORD dwFlags)
{
    if (!phProv)
        return fail(ERROR_INVALID_PARAMETER);
    // Nothing here ever asks the user, so a silent context is any context.
    if (dwFlags & ~(CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return fail(hresultCode(NTE_BAD_FLAGS));
    const DWORD verify = dwFlags & CRYPT_VERIFYCONTEXT;
    if (verify != 0 && verify != CRYPT_VERIFYCONTEXT)
        return fail(hresultCode(NTE_BAD_FLAGS));
    const std::wstring container = szContainer ? szContainer : L"";
    if (verify && !container.empty())
        return fail(hresultCode(NTE_BAD_KEYSET_PARAM)); // a verify context has no container
    if (dwProvType == 0 || dwProvType > kLargestProviderType)
        return fail(hresultCode(NTE_BAD_PROV_TYPE));

    const auto providers = installedProviders(ProviderListing::Fresh);
    const ProviderConfig *provider = findProvider(*providers, szProvider, dwProvType);
    if (!provider)
        return FALSE;
    auto session = std::make_shared<Session>();
    session->provider = *provider;
    if (!verify) {
        // Without a name, the container named after the user, as Windows providers do.
        session->requestedName = container.empty() ? fromUtf8(userName()) : container;
        if (session->requestedName.empty() ||
            !findContainer(session->readers(), session->requestedName, session->container))
            return fail(hresultCode(NTE_BAD_KEYSET));
        session->hasContainer = true;
    }
    auto *handle = new ProviderHandle();
    handle->session = std::move(session);
    *phProv = registerHandle(handle, HandleKind::Provider);
    return TRUE;
}

BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags)
{
    auto *handle = unregister<ProviderHandle>(hProv, HandleKind::Provider);
    if (!handle)
        return fail(hresultCode(NTE_BAD_UID));
    delete handle;
    // The flags are reserved: the context is released all the same.
    return dwFlags == 0 ? TRUE : fail(hresultCode(NTE_BAD_FLAGS));
}

BOOL WINAPI CryptGetProvParam(HCRYPTPROV hProv, DWORD dwParam, BYTE *pbData, DWORD *pdwDataLen, DWORD dwFlags)
{
    auto *handle = lookup<ProviderHandle>(hProv, HandleKind::Provider);
    if (!handle)
        return fail(hresultCode(NTE_BAD_UID));
    if (!pdwDataLen)
        return fail(ERROR_INVALID_PARAMETER);
    Session &session = *handle->session;
    if (dwParam == PP_ENUMCONTAINERS)
        return enumContainers(session, pbData, pdwDataLen, dwFlags);
    if (dwParam != PP_NAME && dwParam != PP_CONTAINER && dwParam != PP_UNIQUE_CONTAINER && dwParam != PP_PROVTYPE)
        return failWithSize(hresultCode(NTE_BAD_TYPE), pdwDataLen);
    // Callers pass CRYPT_FIRST with these too; it means nothing for a single value.
    if (dwFlags & ~static_cast<DWORD>(CRYPT_FIRST))
        return failWithSize(hresultCode(NTE_BAD_FLAGS), pdwDataLen);
    switch (dwParam) {
    case PP_NAME:
        return answerAnsi(session.provider.name, pbData, pdwDataLen);
    case PP_PROVTYPE: {
        const DWORD type = session.provider.type;
        return copyOut(&type, sizeof type, pbData, pdwDataLen);
    }
    default:
        if (!session.hasContainer)
            return failWithSize(hresultCode(NTE_BAD_KEYSET), pdwDataLen);
        return answerAnsi(dwParam == PP_CONTAINER ? session.requestedName : uniqueContainerName(session.container),
                          pbData, pdwDataLen);
    }
}

BOOL WINAPI CryptGetUserKey(HCRYPTPROV hProv, DWORD dwKeySpec, HCRYPTKEY *phUserKey)
{
    auto *handle = lookup<ProviderHandle>(hProv, HandleKind::Provider);
    if (!handle)
        return fail(hresultCode(NTE_BAD_UID));
    if (!phUserKey)
        return fail(ERROR_INVALID_PARAMETER);
    if (dwKeySpec != AT_KEYEXCHANGE && dwKeySpec != AT_SIGNATURE)
        return fail(hresultCode(NTE_BAD_KEY));
    const std::shared_ptr<Session> &session = handle->session;
    if (!session->hasContainer)
        return fail(hresultCode(NTE_NO_KEY));
    ContainerKey key;
    if (!openContainerKey(session->container, dwKeySpec, key))
        return FALSE;
    auto *keyHandle = new KeyHandle();
    keyHandle->session = session;
    keyHandle->key = std::move(key);
    *phUserKey = registerHandle(keyHandle, HandleKind::Key);
    return TRUE;
}

BOOL WINAPI CryptDestroyKey(HCRYPTKEY hKey)
{
    auto *handle = unregister<KeyHandle>(hKey, HandleKind::Key);
    if (!handle)
        return fail(hresultCode(NTE_BAD_KEY));
    delete handle;
    return TRUE;
}

BOOL WINAPI CryptGetKeyParam(HCRYPTKEY hKey, DWORD dwParam, BYTE *pbData, DWORD *pdwDataLen, DWORD dwFlags)
{
    auto *handle = lookup<KeyHandle>(hKey, HandleKind::Key);
    if (!handle)
        return fail(hresultCode(NTE_BAD_KEY));
    if (!pdwDataLen)
        return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags != 0)
        return failWithSize(hresultCode(NTE_BAD_FLAGS), pdwDataLen);
    if (dwParam != KP_CERTIFICATE)
        return failWithSize(hresultCode(NTE_BAD_TYPE), pdwDataLen);
    const ContainerKey &key = handle->key;
    if (key.certificateError != ERROR_SUCCESS)
        return failWithSize(key.certificateError, pdwDataLen);
    return copyOut(key.certificate.data(), static_cast<DWORD>(key.certificate.size()), pbData, pdwDataLen);
}
