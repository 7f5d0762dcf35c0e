// Certificates as the platform layer keeps them. A PCCERT_CONTEXT handed to a caller is
// the CERT_CONTEXT base of a CertObject, which its CertOwner keeps: the store that holds
// it (an HCERTSTORE is a Store), or for a context of no store an owner of its own.
#pragma once

#include <wincrypt.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

using Bytes = std::vector<BYTE>;

// A certificate property as bytes (CRYPT_KEY_PROV_INFO is kept in its self-relative
// layout, the one store files use).
struct Property {
    DWORD id = 0;
    DWORD encodingType = X509_ASN_ENCODING;
    Bytes value;
    bool persist = true;
};

// What CertCreateCertificateContext derives from the encoding; CERT_INFO points into it.
struct ParsedCertificate {
    CERT_INFO info{};
    Bytes encoded;
    std::array<BYTE, 20> sha1{};
    Bytes serial;
    std::string signatureOid, publicKeyOid;
    Bytes signatureParams, publicKeyParams, publicKey, subject, issuer, issuerUid, subjectUid;
    std::vector<std::string> extensionOids;
    std::vector<Bytes> extensionValues;
    std::vector<CERT_EXTENSION> extensions;
};

// Parses DER; on failure sets the last error to the ASN.1 error and returns null.
std::unique_ptr<ParsedCertificate> parseCertificate(const BYTE *der, DWORD size);

// Hash properties are derived from the encoding, never taken from outside.
bool isHashProperty(DWORD id);
Bytes computeHashProperty(const ParsedCertificate &cert, DWORD id);

struct CertObject;

// What a context needs of its owner. Stores sit above certificates, so a context reaches
// its store only through this.
class CertOwner {
public:
    // Takes one caller reference on an object of this owner, and one on the owner.
    virtual CertObject *handOut(CertObject *object) = 0;
    // Drops one reference on an object of this owner; the object dies with its last one.
    virtual void dropReference(CertObject *object) = 0;
    // Drops one reference on the owner; it dies with its last one.
    virtual void release() = 0;
    // Guards the properties of the owner's objects.
    virtual std::mutex &mutex() = 0;
    // Sets the property `id` of an object to `property`, or removes it when null.
    virtual bool setProperty(CertObject *object, const Property *property, DWORD id) = 0;
    // Takes an object of this owner out of its store; one of no store has none to leave.
    virtual bool remove(CertObject *object) = 0;

protected:
    ~CertOwner() = default;
};

struct CertObject : CERT_CONTEXT {
    static constexpr std::uint32_t kMagic = 0x43455254; // "CERT"
    std::uint32_t magic = kMagic;
    std::atomic<long> refs{0}; // caller references, plus one while linked in the store
    CertOwner *owner = nullptr;
    CertObject *prev = nullptr, *next = nullptr; // store order; kept until the object dies
    bool linked = false;                          // still a member of the store
    // The store's members with the same hash, in store order; null while not a member.
    CertObject *prevSameHash = nullptr, *nextSameHash = nullptr;
    std::unique_ptr<ParsedCertificate> cert;
    std::vector<Property> props;

    std::string hashKey() const { return std::string(cert->sha1.begin(), cert->sha1.end()); }
    const Property *findProperty(DWORD id) const;
};

// Sets the property `id` in `props` to `property`, or removes it when null.
void setOrRemoveProperty(std::vector<Property> &props, const Property *property, DWORD id);

// Null (with E_INVALIDARG set) when the pointer is not a context of this layer.
CertObject *certObject(PCCERT_CONTEXT context);

// Creates an object without an owner or any reference yet: its owner hands it out.
CertObject *newCertObject(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props);

} // namespace platform
