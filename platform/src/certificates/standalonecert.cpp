// Contexts of no store, and CertCreateCertificateContext, which makes them.
#include "certificates/standalonecert.h"

#include "lasterror.h"

using namespace platform;

namespace {

// The owner of one context of no store. Every caller reference on the context is one on
// the owner too, so both go with the last one.
class StandaloneOwner final : public CertOwner {
public:
    explicit StandaloneOwner(CertObject *object) : object_(object) {}
    StandaloneOwner(const StandaloneOwner &) = delete;
    StandaloneOwner &operator=(const StandaloneOwner &) = delete;

    CertObject *handOut(CertObject *object) override
    {
        object->refs.fetch_add(1);
        refs_.fetch_add(1, std::memory_order_relaxed);
        return object;
    }
    void dropReference(CertObject *object) override { object->refs.fetch_sub(1); }
    void release() override
    {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1)
            return;
        delete object_;
        delete this;
    }
    std::mutex &mutex() override { return mutex_; }
    bool setProperty(CertObject *object, const Property *property, DWORD id) override
    {
        std::lock_guard<std::mutex> guard(mutex_);
        setOrRemoveProperty(object->props, property, id);
        return true;
    }
    bool remove(CertObject *) override { return true; }

private:
    ~StandaloneOwner() = default;

    CertObject *object_;
    std::atomic<long> refs_{0};
    std::mutex mutex_;
};

} // namespace

namespace platform {

CertObject *newStandaloneCertificate(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props)
{
    CertObject *object = newCertObject(std::move(cert), std::move(props));
    object->owner = new StandaloneOwner(object);
    return object->owner->handOut(object);
}

} // namespace platform

PCCERT_CONTEXT WINAPI CertCreateCertificateContext(DWORD dwCertEncodingType, const BYTE *pbCertEncoded,
                                                   DWORD cbCertEncoded)
{
    if (GET_CERT_ENCODING_TYPE(dwCertEncodingType) != X509_ASN_ENCODING)
        return fail(hresultCode(E_INVALIDARG), static_cast<PCCERT_CONTEXT>(nullptr));
    auto cert = parseCertificate(pbCertEncoded, cbCertEncoded);
    if (!cert)
        return nullptr;
    // The hash is kept as a property from the start, so that serialized copies carry it.
    std::vector<Property> props{
        Property{CERT_SHA1_HASH_PROP_ID, X509_ASN_ENCODING, computeHashProperty(*cert, CERT_SHA1_HASH_PROP_ID)}};
    return newStandaloneCertificate(std::move(cert), std::move(props));
}
