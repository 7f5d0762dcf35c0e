// The GOST algorithms come as an OpenSSL engine, whose interface OpenSSL 3 marks deprecated.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "providers/pfximport.h"
#include "lasterror.h"
#include "providers/keycontainers.h"
#include "providers/newcontainer.h"
#include "providers/providers.h"
#include "text/unicodetext.h"
#include "text/utf8text.h"

#include <openssl/bio.h>
#include <openssl/engine.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509v3.h>

#include <climits>
#include <filesystem>
#include <memory>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

// More key derivation rounds than any program writes (Windows 2000, OpenSSL 2048, the
// most cautious some hundred thousand); a file that asks for more is refused rather than
// have the import spin for minutes.
constexpr long kMostIterations = 1000000;
// Safe contents nested in safe contents: programs write none; a few levels are read.
constexpr int kDeepestNesting = 4;

struct OpenSslFree {
    void operator()(PKCS12 *p) const { PKCS12_free(p); }
    void operator()(STACK_OF(PKCS7) *p) const { sk_PKCS7_pop_free(p, PKCS7_free); }
    void operator()(STACK_OF(PKCS12_SAFEBAG) *p) const { sk_PKCS12_SAFEBAG_pop_free(p, PKCS12_SAFEBAG_free); }
    void operator()(PKCS8_PRIV_KEY_INFO *p) const { PKCS8_PRIV_KEY_INFO_free(p); }
    void operator()(EVP_PKEY *p) const { EVP_PKEY_free(p); }
    void operator()(X509 *p) const { X509_free(p); }
    void operator()(BIO *p) const { BIO_free(p); }
    void operator()(char *p) const { OPENSSL_free(p); }
    void operator()(PBEPARAM *p) const { PBEPARAM_free(p); }
    void operator()(PBE2PARAM *p) const { PBE2PARAM_free(p); }
    void operator()(PBKDF2PARAM *p) const { PBKDF2PARAM_free(p); }
};
template <class T>
using Owned = std::unique_ptr<T, OpenSslFree>;
using Bags = STACK_OF(PKCS12_SAFEBAG);
using AuthSafes = STACK_OF(PKCS7);

// What a PFX may be encrypted with: the legacy algorithms (RC2, 3DES) that older
// programs and `openssl -legacy` use, beside the default ones, and GOST through its
// engine when it is installed. Loaded once, for the life of the process.
void loadAlgorithms()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Naming one provider stops OpenSSL loading the default one by itself. They are
        // given back at exit, before OpenSSL's own clean-up, which frees only what no one holds.
        static OSSL_PROVIDER *defaults = OSSL_PROVIDER_load(nullptr, "default");
        static OSSL_PROVIDER *legacy = OSSL_PROVIDER_load(nullptr, "legacy");
        std::atexit([] {
            OSSL_PROVIDER_unload(legacy);
            OSSL_PROVIDER_unload(defaults);
        });
        if (ENGINE *gost = ENGINE_by_id("gost")) {
            if (ENGINE_init(gost))
                ENGINE_set_default(gost, ENGINE_METHOD_ALL);
            ENGINE_free(gost); // the initialised reference keeps it
        }
        ERR_clear_error();
    });
}

// The PFX, or null when the bytes are not one whole PFX.
Owned<PKCS12> decodePfx(const CRYPT_DATA_BLOB *blob)
{
    if (!blob || !blob->pbData || blob->cbData == 0)
        return nullptr;
    const unsigned char *at = blob->pbData;
    Owned<PKCS12> pfx(d2i_PKCS12(nullptr, &at, static_cast<long>(blob->cbData)));
    ERR_clear_error();
    if (pfx && at != blob->pbData + blob->cbData)
        pfx.reset(); // bytes after it: not a PFX file
    return pfx;
}

long integerOf(const ASN1_INTEGER *value)
{
    const long n = value ? ASN1_INTEGER_get(value) : -1;
    return n < 0 ? LONG_MAX : n;
}

// The key derivation rounds a password-based algorithm asks for; 0 for other algorithms.
long iterationsOf(const X509_ALGOR *algorithm)
{
    const ASN1_OBJECT *object = nullptr;
    int type = 0;
    const void *value = nullptr;
    X509_ALGOR_get0(&object, &type, &value, algorithm);
    const ASN1_TYPE *parameter = algorithm->parameter;
    const int nid = OBJ_obj2nid(object);
    if (nid == NID_pbes2) {
        Owned<PBE2PARAM> pbe2(static_cast<PBE2PARAM *>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBE2PARAM), parameter)));
        if (!pbe2)
            return LONG_MAX;
        if (OBJ_obj2nid(pbe2->keyfunc->algorithm) != NID_id_pbkdf2)
            return 0; // scrypt: OpenSSL bounds its memory itself
        Owned<PBKDF2PARAM> kdf(static_cast<PBKDF2PARAM *>(
            ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBKDF2PARAM), pbe2->keyfunc->parameter)));
        return kdf ? integerOf(kdf->iter) : LONG_MAX;
    }
    if (!parameter || parameter->type != V_ASN1_SEQUENCE)
        return 0;
    Owned<PBEPARAM> pbe(static_cast<PBEPARAM *>(ASN1_TYPE_unpack_sequence(ASN1_ITEM_rptr(PBEPARAM), parameter)));
    return pbe ? integerOf(pbe->iter) : LONG_MAX;
}

struct Password {
    const char *text; // null: the empty password as OpenSSL's null
    int length;
};

// The password the PFX's integrity check takes: for an empty one either null or "" (as
// programs differ). A PFX without the check takes it as given.
bool passwordOpens(PKCS12 *pfx, const std::string &given, Password &out)
{
    out = Password{given.c_str(), static_cast<int>(given.size())};
    if (!PKCS12_mac_present(pfx))
        return true;
    const ASN1_INTEGER *iterations = nullptr;
    PKCS12_get0_mac(nullptr, nullptr, nullptr, &iterations, pfx);
    if (iterations && integerOf(iterations) > kMostIterations)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    bool opens = PKCS12_verify_mac(pfx, out.text, out.length);
    if (!opens && given.empty()) {
        out.text = nullptr;
        opens = PKCS12_verify_mac(pfx, nullptr, 0);
    }
    ERR_clear_error();
    return opens || fail(ERROR_INVALID_PASSWORD, false);
}

struct Item {
    Owned<X509> certificate;
    Owned<EVP_PKEY> key;
    std::wstring friendlyName;
};

struct Contents {
    std::vector<Item> certificates, keys;
    bool checked = false; // the integrity check passed: a failed decryption is damage
};

std::wstring friendlyNameOf(const PKCS12_SAFEBAG *bag)
{
    Owned<char> name(PKCS12_get_friendlyname(const_cast<PKCS12_SAFEBAG *>(bag)));
    std::wstring text;
    if (!name || !decodeUtf8(name.get(), text) || !isContainerName(text))
        return L"";
    return text;
}

// A key that cannot be decrypted is a wrong password, unless the integrity check has
// said the password is right.
bool undecryptable(const Contents &contents)
{
    return fail(contents.checked ? hresultCode(CRYPT_E_BAD_ENCODE) : ERROR_INVALID_PASSWORD, false);
}

bool readBags(const Bags *bags, const Password &password, int depth, Contents &out)
{
    for (int i = 0; i < sk_PKCS12_SAFEBAG_num(bags); ++i) {
        const PKCS12_SAFEBAG *bag = sk_PKCS12_SAFEBAG_value(bags, i);
        switch (PKCS12_SAFEBAG_get_nid(bag)) {
        case NID_keyBag:
        case NID_pkcs8ShroudedKeyBag: {
            Owned<PKCS8_PRIV_KEY_INFO> decrypted;
            const PKCS8_PRIV_KEY_INFO *info = PKCS12_SAFEBAG_get0_p8inf(bag);
            if (!info) {
                const X509_SIG *shrouded = PKCS12_SAFEBAG_get0_pkcs8(bag);
                const X509_ALGOR *algorithm = nullptr;
                if (!shrouded)
                    return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
                X509_SIG_get0(shrouded, &algorithm, nullptr);
                if (iterationsOf(algorithm) > kMostIterations)
                    return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
                decrypted.reset(PKCS12_decrypt_skey(bag, password.text, password.length));
                if (!decrypted)
                    return undecryptable(out);
                info = decrypted.get();
            }
            Owned<EVP_PKEY> key(EVP_PKCS82PKEY(info));
            if (!key)
                return fail(hresultCode(NTE_BAD_ALGID), false);
            out.keys.push_back(Item{nullptr, std::move(key), friendlyNameOf(bag)});
            break;
        }
        case NID_certBag: {
            if (PKCS12_SAFEBAG_get_bag_nid(bag) != NID_x509Certificate)
                break; // SDSI certificates: none that Windows reads either
            Owned<X509> certificate(PKCS12_SAFEBAG_get1_cert(bag));
            if (!certificate)
                return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
            out.certificates.push_back(Item{std::move(certificate), nullptr, friendlyNameOf(bag)});
            break;
        }
        case NID_safeContentsBag:
            if (depth >= kDeepestNesting || !readBags(PKCS12_SAFEBAG_get0_safes(bag), password, depth + 1, out))
                return depth >= kDeepestNesting ? fail(hresultCode(CRYPT_E_BAD_ENCODE), false) : false;
            break;
        default:
            break; // CRLs and secrets: nothing a store or container keeps
        }
    }
    return true;
}

// Every certificate and key of the PFX, or false with the last error set.
bool readPfx(const CRYPT_DATA_BLOB *blob, const std::string &password, Contents &out)
{
    loadAlgorithms();
    Owned<PKCS12> pfx = decodePfx(blob);
    if (!pfx)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    Password opening{};
    if (!passwordOpens(pfx.get(), password, opening))
        return false;
    out.checked = PKCS12_mac_present(pfx.get());
    Owned<AuthSafes> safes(PKCS12_unpack_authsafes(pfx.get()));
    if (!safes)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    for (int i = 0; i < sk_PKCS7_num(safes.get()); ++i) {
        PKCS7 *safe = sk_PKCS7_value(safes.get(), i);
        Owned<Bags> bags;
        const int type = OBJ_obj2nid(safe->type);
        if (type == NID_pkcs7_data) {
            bags.reset(PKCS12_unpack_p7data(safe));
        } else if (type == NID_pkcs7_encrypted) {
            if (!safe->d.encrypted || !safe->d.encrypted->enc_data ||
                iterationsOf(safe->d.encrypted->enc_data->algorithm) > kMostIterations)
                return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
            bags.reset(PKCS12_unpack_p7encdata(safe, opening.text, opening.length));
            if (!bags) {
                ERR_clear_error();
                return undecryptable(out);
            }
        } else {
            continue; // public-key protected contents: Windows reads none either
        }
        if (!bags)
            return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
        if (!readBags(bags.get(), opening, 0, out))
            return false;
    }
    ERR_clear_error();
    return true;
}

std::string pemOf(EVP_PKEY *key, const std::string &password)
{
    Owned<BIO> bio(BIO_new(BIO_s_mem()));
    // A non-null password, even an empty one, so that OpenSSL never asks on the terminal.
    if (!bio || !PEM_write_bio_PKCS8PrivateKey(bio.get(), key, EVP_aes_256_cbc(), password.c_str(),
                                               static_cast<int>(password.size()), nullptr, nullptr))
        return {};
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

Bytes derOf(X509 *certificate)
{
    const int size = i2d_X509(certificate, nullptr);
    if (size <= 0)
        return {};
    Bytes der(static_cast<size_t>(size));
    unsigned char *at = der.data();
    i2d_X509(certificate, &at);
    return der;
}

std::wstring subjectOf(X509 *certificate)
{
    const Bytes der = derOf(certificate);
    PCCERT_CONTEXT context = der.empty() ? nullptr : CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                                                     static_cast<DWORD>(der.size()));
    if (!context)
        return L"";
    wchar_t name[kLongestContainerName + 1] = {};
    CertGetNameStringW(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, kLongestContainerName + 1);
    CertFreeCertificateContext(context);
    return name;
}

struct Link {
    Item *certificate = nullptr;
    std::wstring container; // its unique name
    DWORD keySpec = AT_KEYEXCHANGE;
};

// The PFX's keys in new containers; the links to set. False with the last error set, and
// no container left behind.
bool writeKeys(Contents &contents, const std::string &password, const PfxTarget &target, std::vector<Link> &links,
               std::vector<std::wstring> *names)
{
    std::vector<std::string> written;
    auto undo = [&] {
        const DWORD code = GetLastError();
        std::error_code ignored;
        for (const std::string &folder : written)
            std::filesystem::remove_all(folder, ignored);
        return fail(code, false);
    };
    for (Item &key : contents.keys) {
        Item *owner = nullptr;
        for (Item &certificate : contents.certificates)
            if (!owner && X509_check_private_key(certificate.certificate.get(), key.key.get()))
                owner = &certificate;
        ERR_clear_error();
        NewContainer container;
        container.keySpec = keySpecOf(owner ? owner->certificate.get() : nullptr);
        if (owner)
            container.certificate = derOf(owner->certificate.get());
        container.privateKeyPem = pemOf(key.key.get(), password);
        ERR_clear_error();
        if (container.privateKeyPem.empty()) {
            SetLastError(hresultCode(NTE_BAD_ALGID));
            return undo();
        }
        std::wstring wanted = key.friendlyName;
        if (wanted.empty())
            wanted = target.fallbackName;
        if (wanted.empty() && owner)
            wanted = subjectOf(owner->certificate.get());
        if (!isContainerName(wanted))
            wanted = L"PFX";
        container.name = unusedContainerName(target.keyFolder, wanted);
        const std::string folder = writeNewContainer(target.keyFolder, container);
        if (folder.empty())
            return undo();
        written.push_back(folder);
        if (names)
            names->push_back(container.name);
        Container made;
        made.name = container.name;
        made.reader = target.reader;
        made.folder = folder;
        links.push_back(Link{owner, uniqueContainerName(made), container.keySpec});
    }
    return true;
}

bool linkKey(PCCERT_CONTEXT context, const Link &link)
{
    CRYPT_KEY_PROV_INFO info{};
    std::wstring container = link.container, provider = kDefaultProviderName;
    info.pwszContainerName = container.data();
    info.pwszProvName = provider.data();
    info.dwProvType = kDefaultProviderType;
    info.dwKeySpec = link.keySpec;
    return CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, 0, &info);
}

bool setFriendlyName(PCCERT_CONTEXT context, const std::wstring &name)
{
    if (name.empty())
        return true;
    Bytes utf16; // as store files keep it: UTF-16LE, zero-terminated
    appendUtf16le(utf16, name.c_str());
    CRYPT_DATA_BLOB value{static_cast<DWORD>(utf16.size()), utf16.data()};
    return CertSetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, 0, &value);
}

// The certificates in a new memory store, each with its friendly name and key link.
HCERTSTORE storeOf(Contents &contents, const std::vector<Link> &links)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    if (!store)
        return nullptr;
    for (Item &item : contents.certificates) {
        const Bytes der = derOf(item.certificate.get());
        PCCERT_CONTEXT added = nullptr;
        PCCERT_CONTEXT context =
            der.empty() ? nullptr : CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        bool done = context && CertAddCertificateContextToStore(store, context, CERT_STORE_ADD_ALWAYS, &added) &&
                    setFriendlyName(added, item.friendlyName);
        for (const Link &link : links)
            done = done && (link.certificate != &item || linkKey(added, link));
        const DWORD code = done ? ERROR_SUCCESS : (GetLastError() ? GetLastError() : hresultCode(CRYPT_E_BAD_ENCODE));
        CertFreeCertificateContext(added);
        CertFreeCertificateContext(context);
        if (!done) {
            CertCloseStore(store, 0);
            return fail(code, static_cast<HCERTSTORE>(nullptr));
        }
    }
    return store;
}

std::string utf8Password(const wchar_t *password) { return password ? toUtf8(password) : std::string(); }

} // namespace

HCERTSTORE importPfx(const BYTE *data, size_t size, const wchar_t *password, const PfxTarget &target,
                     std::vector<std::wstring> *containers)
{
    if (size > 0xFFFFFFFFu)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), static_cast<HCERTSTORE>(nullptr));
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(size), const_cast<BYTE *>(data)};
    const std::string utf8 = utf8Password(password);
    Contents contents;
    if (!readPfx(&blob, utf8, contents))
        return nullptr;
    std::vector<Link> links;
    std::vector<std::wstring> names;
    if (target.persist && !writeKeys(contents, utf8, target, links, &names))
        return nullptr;
    HCERTSTORE store = storeOf(contents, links);
    if (store && containers)
        *containers = std::move(names);
    return store;
}

} // namespace platform

using namespace platform;

BOOL WINAPI PFXIsPFXBlob(CRYPT_DATA_BLOB *pPFX)
{
    loadAlgorithms();
    return decodePfx(pPFX) ? TRUE : fail(hresultCode(CRYPT_E_BAD_ENCODE));
}

BOOL WINAPI PFXVerifyPassword(CRYPT_DATA_BLOB *pPFX, LPCWSTR szPassword, DWORD)
{
    loadAlgorithms();
    Owned<PKCS12> pfx = decodePfx(pPFX);
    if (!pfx)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE));
    if (PKCS12_mac_present(pfx.get())) {
        Password opening{};
        return passwordOpens(pfx.get(), utf8Password(szPassword), opening);
    }
    // Without an integrity check only decrypting its contents tells.
    Contents contents;
    return readPfx(pPFX, utf8Password(szPassword), contents);
}

// The keys go into the local key folder of the GOST provider, whatever the flags ask:
// CRYPT_MACHINE_KEYSET (there are no machine keys here), CRYPT_USER_KEYSET (always so),
// CRYPT_EXPORTABLE and CRYPT_USER_PROTECTED (a key file is as exportable as the user's
// password makes it, and no provider here asks for consent), the CNG flags (one provider)
// and PKCS12_ALLOW_OVERWRITE_KEY (a taken name gets a suffix, nothing is overwritten).
// PKCS12_NO_PERSIST_KEY writes no container and links no key: keys live only in files here.
HCERTSTORE WINAPI PFXImportCertStore(CRYPT_DATA_BLOB *pPFX, LPCWSTR szPassword, DWORD dwFlags)
{
    if (!pPFX || (pPFX->cbData && !pPFX->pbData))
        return fail(hresultCode(E_INVALIDARG), static_cast<HCERTSTORE>(nullptr));
    PfxTarget target;
    const ReaderSource local = localReaderSource();
    target.keyFolder = local.path;
    target.reader = local.name;
    target.persist = !(dwFlags & PKCS12_NO_PERSIST_KEY);
    return importPfx(pPFX->pbData, pPFX->cbData, szPassword, target);
}
