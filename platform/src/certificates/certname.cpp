// CertGetNameStringW: one name of a certificate, read from the public fields of its CERT_INFO.
#include "certificates/asn1strings.h"
#include "certificates/x500name.h"
#include "text/unicodetext.h"

#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <memory>
#include <vector>

namespace platform {
namespace {

const char upnOid[] = "1.3.6.1.4.1.311.20.2.3";

using GeneralNames = std::unique_ptr<GENERAL_NAMES, decltype(&GENERAL_NAMES_free)>;

const CERT_EXTENSION *findExtension(const CERT_INFO &info, const char *oid)
{
    for (DWORD i = 0; i < info.cExtension && info.rgExtension != nullptr; ++i) {
        if (info.rgExtension[i].pszObjId != nullptr && std::strcmp(info.rgExtension[i].pszObjId, oid) == 0)
            return &info.rgExtension[i];
    }
    return nullptr;
}

// The subject's (or issuer's) alternative names: the current extension, else the old one.
// None when neither is present or readable.
GeneralNames alternativeNames(const CERT_INFO &info, bool issuer)
{
    const char *const oids[2] = {issuer ? "2.5.29.18" : szOID_SUBJECT_ALT_NAME2,
                                 issuer ? "2.5.29.8" : szOID_SUBJECT_ALT_NAME};
    for (const char *oid : oids) {
        const CERT_EXTENSION *extension = findExtension(info, oid);
        if (extension == nullptr || extension->Value.pbData == nullptr)
            continue;
        const unsigned char *p = extension->Value.pbData;
        ERR_set_mark();
        GeneralNames names(d2i_GENERAL_NAMES(nullptr, &p, static_cast<long>(extension->Value.cbData)),
                           &GENERAL_NAMES_free);
        ERR_pop_to_mark();
        if (names)
            return names;
    }
    return GeneralNames(nullptr, &GENERAL_NAMES_free);
}

bool stringText(int tag, const ASN1_STRING *string, std::wstring &text)
{
    return string != nullptr && decodeStringValue(tag, ASN1_STRING_get0_data(string),
                                                  static_cast<std::size_t>(ASN1_STRING_length(string)), text);
}

// The first alternative name of the kind GEN_EMAIL, GEN_DNS or GEN_URI.
bool firstAlternativeName(const GENERAL_NAMES *names, int kind, std::wstring &text)
{
    for (int i = 0; names != nullptr && i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(names, i);
        if (name->type == kind)
            return stringText(V_ASN1_IA5STRING, name->d.ia5, text);
    }
    return false;
}

bool userPrincipalName(const GENERAL_NAMES *names, std::wstring &text)
{
    for (int i = 0; names != nullptr && i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(names, i);
        if (name->type != GEN_OTHERNAME)
            continue;
        char oid[64];
        if (OBJ_obj2txt(oid, sizeof oid, name->d.otherName->type_id, 1) <= 0 || std::strcmp(oid, upnOid) != 0)
            continue;
        // Only a string type makes the value an ASN1_STRING.
        const ASN1_TYPE *value = name->d.otherName->value;
        return value != nullptr && isStringTag(value->type) && stringText(value->type, value->value.asn1_string, text);
    }
    return false;
}

// The name the lookups read: the subject (or issuer); when that is empty, the first
// directoryName among the alternative names. `rdns` points into `blob` or `altNames`.
HRESULT lookupName(const CERT_NAME_BLOB &blob, const GENERAL_NAMES *altNames, std::vector<NameRdn> &rdns)
{
    const HRESULT hr = parseName(blob.pbData, blob.cbData, rdns);
    if (hr != S_OK || !rdns.empty())
        return hr;
    for (int i = 0; altNames != nullptr && i < sk_GENERAL_NAME_num(altNames); ++i) {
        const GENERAL_NAME *name = sk_GENERAL_NAME_value(altNames, i);
        if (name->type != GEN_DIRNAME)
            continue;
        const unsigned char *der = nullptr;
        size_t size = 0;
        if (X509_NAME_get0_der(name->d.directoryName, &der, &size) != 1 || parseName(der, size, rdns) != S_OK)
            rdns.clear();
        break;
    }
    return S_OK;
}

bool firstAttribute(const std::vector<NameRdn> &rdns, const char *oid, std::wstring &text)
{
    for (const NameRdn &rdn : rdns) {
        for (const NameAttribute &attribute : rdn) {
            if (attribute.oid == oid) {
                text = attributeValueText(attribute);
                return true;
            }
        }
    }
    return false;
}

HRESULT simpleDisplayName(const CERT_NAME_BLOB &blob, const GENERAL_NAMES *altNames, std::wstring &text)
{
    std::vector<NameRdn> rdns;
    const HRESULT hr = lookupName(blob, altNames, rdns);
    if (hr != S_OK)
        return hr;
    for (const char *oid :
         {szOID_COMMON_NAME, szOID_ORGANIZATIONAL_UNIT_NAME, szOID_ORGANIZATION_NAME, szOID_RSA_emailAddr}) {
        if (firstAttribute(rdns, oid, text))
            return S_OK;
    }
    if (firstAlternativeName(altNames, GEN_EMAIL, text))
        return S_OK;
    if (!rdns.empty())
        text = attributeValueText(rdns.front().front());
    return S_OK;
}

HRESULT nameString(const CERT_INFO &info, DWORD type, DWORD flags, const void *typePara, std::wstring &text)
{
    const bool issuer = (flags & CERT_NAME_ISSUER_FLAG) != 0;
    const CERT_NAME_BLOB &blob = issuer ? info.Issuer : info.Subject;
    const GeneralNames altNames = alternativeNames(info, issuer);
    std::vector<NameRdn> rdns;
    HRESULT hr = S_OK;
    switch (type) {
    case CERT_NAME_EMAIL_TYPE:
        if (firstAlternativeName(altNames.get(), GEN_EMAIL, text))
            return S_OK;
        if ((hr = parseName(blob.pbData, blob.cbData, rdns)) == S_OK)
            firstAttribute(rdns, szOID_RSA_emailAddr, text);
        return hr;
    case CERT_NAME_RDN_TYPE: {
        const DWORD *strType = static_cast<const DWORD *>(typePara);
        if (strType == nullptr || !isNameStrType(*strType))
            return E_INVALIDARG;
        if ((hr = lookupName(blob, altNames.get(), rdns)) == S_OK)
            text = formatName(rdns, *strType);
        return hr;
    }
    case CERT_NAME_ATTR_TYPE:
        if (typePara == nullptr)
            return E_INVALIDARG;
        if ((hr = lookupName(blob, altNames.get(), rdns)) == S_OK)
            firstAttribute(rdns, static_cast<const char *>(typePara), text);
        return hr;
    case CERT_NAME_SIMPLE_DISPLAY_TYPE:
        return simpleDisplayName(blob, altNames.get(), text);
    case CERT_NAME_FRIENDLY_DISPLAY_TYPE: // without a friendly name property (read by the caller)
        return simpleDisplayName(blob, altNames.get(), text);
    case CERT_NAME_DNS_TYPE:
        if (firstAlternativeName(altNames.get(), GEN_DNS, text))
            return S_OK;
        if ((hr = parseName(blob.pbData, blob.cbData, rdns)) == S_OK)
            firstAttribute(rdns, szOID_COMMON_NAME, text);
        return hr;
    case CERT_NAME_URL_TYPE:
        firstAlternativeName(altNames.get(), GEN_URI, text);
        return S_OK;
    case CERT_NAME_UPN_TYPE:
        userPrincipalName(altNames.get(), text);
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

} // namespace
} // namespace platform

namespace {

// The friendly name property as store files keep it: UTF-16LE, zero-terminated.
bool friendlyName(PCCERT_CONTEXT context, std::wstring &text)
{
    DWORD size = 0;
    const DWORD error = GetLastError();
    if (!CertGetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, nullptr, &size) || size < 2) {
        SetLastError(error);
        return false;
    }
    std::vector<BYTE> value(size);
    CertGetCertificateContextProperty(context, CERT_FRIENDLY_NAME_PROP_ID, value.data(), &size);
    platform::readUtf16le(value.data(), size, text);
    return !text.empty();
}

} // namespace

DWORD WINAPI CertGetNameStringW(PCCERT_CONTEXT pCertContext, DWORD dwType, DWORD dwFlags, void *pvTypePara,
                                LPWSTR pszNameString, DWORD cchNameString)
{
    std::wstring text;
    if (dwType == CERT_NAME_FRIENDLY_DISPLAY_TYPE && pCertContext && friendlyName(pCertContext, text))
        return platform::copyNameString(text, pszNameString, cchNameString);
    const HRESULT hr = pCertContext == nullptr || pCertContext->pCertInfo == nullptr
                           ? E_INVALIDARG
                           : platform::nameString(*pCertContext->pCertInfo, dwType, dwFlags, pvTypePara, text);
    if (hr != S_OK) {
        text.clear();
        SetLastError(static_cast<DWORD>(hr));
    }
    // A name that is not there reads as an empty string: the count is then 1.
    return platform::copyNameString(text, pszNameString, cchNameString);
}
