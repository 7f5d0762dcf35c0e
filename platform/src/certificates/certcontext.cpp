// Certificate contexts and their properties.
#include "certificates/certobject.h"
#include "certificates/keyprovinfo.h"
#include "lasterror.h"

#include <algorithm>
#include <cstring>

using namespace platform;

namespace {

// Where properties are stored beside a certificate, CRL or CTL, these ids name the
// certificate, CRL and CTL themselves: no property may take one.
constexpr DWORD kFirstElementId = 32, kLastElementId = 34;

} // namespace

namespace platform {

const Property *CertObject::findProperty(DWORD id) const
{
    auto it = std::find_if(props.begin(), props.end(), [id](const Property &p) { return p.id == id; });
    return it == props.end() ? nullptr : &*it;
}

void setOrRemoveProperty(std::vector<Property> &props, const Property *property, DWORD id)
{
    auto it = std::find_if(props.begin(), props.end(), [id](const Property &p) { return p.id == id; });
    if (!property) {
        if (it != props.end())
            props.erase(it);
    } else if (it != props.end()) {
        it->value = property->value;
        it->persist = property->persist;
    } else {
        props.push_back(*property);
    }
}

CertObject *certObject(PCCERT_CONTEXT context)
{
    auto *object = static_cast<CertObject *>(const_cast<CERT_CONTEXT *>(context));
    if (!object || object->magic != CertObject::kMagic)
        return fail(hresultCode(E_INVALIDARG), static_cast<CertObject *>(nullptr));
    return object;
}

CertObject *newCertObject(std::unique_ptr<ParsedCertificate> cert, std::vector<Property> props)
{
    auto *object = new CertObject();
    object->dwCertEncodingType = X509_ASN_ENCODING;
    object->pbCertEncoded = cert->encoded.data();
    object->cbCertEncoded = static_cast<DWORD>(cert->encoded.size());
    object->pCertInfo = &cert->info;
    object->cert = std::move(cert);
    object->props = std::move(props);
    return object;
}

} // namespace platform

PCCERT_CONTEXT WINAPI CertDuplicateCertificateContext(PCCERT_CONTEXT pCertContext)
{
    if (!pCertContext)
        return nullptr;
    CertObject *object = certObject(pCertContext);
    return object ? object->owner->handOut(object) : nullptr;
}

BOOL WINAPI CertFreeCertificateContext(PCCERT_CONTEXT pCertContext)
{
    if (!pCertContext)
        return TRUE;
    CertObject *object = certObject(pCertContext);
    if (!object)
        return FALSE;
    CertOwner *owner = object->owner;
    owner->dropReference(object);
    owner->release();
    return TRUE;
}

BOOL WINAPI CertGetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, void *pvData,
                                              DWORD *pcbData)
{
    CertObject *object = certObject(pCertContext);
    if (!object)
        return FALSE;
    if (!pcbData)
        return fail(hresultCode(E_INVALIDARG));
    if (isHashProperty(dwPropId)) {
        Bytes hash = computeHashProperty(*object->cert, dwPropId);
        return copyOut(hash.data(), static_cast<DWORD>(hash.size()), pvData, pcbData);
    }
    std::unique_lock<std::mutex> guard(object->owner->mutex());
    const Property *property = object->findProperty(dwPropId);
    if (dwPropId == CERT_KEY_PROV_INFO_PROP_ID && property) {
        const DWORD size = keyProvInfoStructSize(property->value);
        if (size == 0)
            return fail(ERROR_INVALID_DATA);
        if (!pvData) {
            *pcbData = size;
            return TRUE;
        }
        if (*pcbData < size) {
            *pcbData = size;
            return fail(ERROR_MORE_DATA);
        }
        keyProvInfoWriteStruct(property->value, pvData);
        *pcbData = size;
        return TRUE;
    }
    if (dwPropId == CERT_KEY_SPEC_PROP_ID && !property) {
        // Without its own value the key spec is the one of the key link.
        const Property *link = object->findProperty(CERT_KEY_PROV_INFO_PROP_ID);
        if (link && link->value.size() >= 28) {
            DWORD spec = 0;
            std::memcpy(&spec, link->value.data() + 24, sizeof spec);
            return copyOut(&spec, sizeof spec, pvData, pcbData);
        }
    }
    if (!property)
        return fail(hresultCode(CRYPT_E_NOT_FOUND));
    return copyOut(property->value.data(), static_cast<DWORD>(property->value.size()), pvData, pcbData);
}

BOOL WINAPI CertSetCertificateContextProperty(PCCERT_CONTEXT pCertContext, DWORD dwPropId, DWORD dwFlags,
                                              const void *pvData)
{
    CertObject *object = certObject(pCertContext);
    if (!object)
        return FALSE;
    if (dwPropId == 0 || dwPropId > CERT_LAST_USER_PROP_ID ||
        (dwPropId >= kFirstElementId && dwPropId <= kLastElementId))
        return fail(hresultCode(E_INVALIDARG));
    if (!pvData)
        return object->owner->setProperty(object, nullptr, dwPropId) ? TRUE : FALSE;

    Property property;
    property.id = dwPropId;
    property.persist = !(dwFlags & CERT_SET_PROPERTY_INHIBIT_PERSIST_FLAG);
    switch (dwPropId) {
    case CERT_KEY_PROV_INFO_PROP_ID:
        property.value = keyProvInfoToSerialized(*static_cast<const CRYPT_KEY_PROV_INFO *>(pvData));
        break;
    case CERT_KEY_SPEC_PROP_ID: {
        auto *spec = static_cast<const BYTE *>(pvData);
        property.value.assign(spec, spec + sizeof(DWORD));
        break;
    }
    case CERT_KEY_PROV_HANDLE_PROP_ID: { // a live handle means nothing in a file
        auto *handle = static_cast<const BYTE *>(pvData);
        property.value.assign(handle, handle + sizeof(HCRYPTPROV));
        property.persist = false;
        break;
    }
    case CERT_KEY_CONTEXT_PROP_ID:
        return fail(ERROR_CALL_NOT_IMPLEMENTED);
    default: {
        auto *blob = static_cast<const CRYPT_DATA_BLOB *>(pvData);
        if (blob->cbData && !blob->pbData)
            return fail(hresultCode(E_INVALIDARG));
        property.value.assign(blob->pbData, blob->pbData + blob->cbData);
        // Hashes are derived from the certificate; a different value would make it unfindable.
        if (isHashProperty(dwPropId) && property.value != computeHashProperty(*object->cert, dwPropId))
            return fail(hresultCode(E_INVALIDARG));
        break;
    }
    }
    return object->owner->setProperty(object, &property, dwPropId) ? TRUE : FALSE;
}

DWORD WINAPI CertEnumCertificateContextProperties(PCCERT_CONTEXT pCertContext, DWORD dwPropId)
{
    CertObject *object = certObject(pCertContext);
    if (!object)
        return 0;
    std::lock_guard<std::mutex> guard(object->owner->mutex());
    auto &props = object->props;
    auto it = props.begin();
    if (dwPropId) {
        it = std::find_if(props.begin(), props.end(), [dwPropId](const Property &p) { return p.id == dwPropId; });
        if (it != props.end())
            ++it;
    }
    return it == props.end() ? 0 : it->id;
}
