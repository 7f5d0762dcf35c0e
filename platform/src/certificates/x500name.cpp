// CertNameToStrW and the reading of encoded names that the name functions share.
#include "certificates/x500name.h"

#include "certificates/asn1strings.h"
#include "certificates/derreader.h"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/objects.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

// The X.500 key names that CertNameToStr writes instead of an OID.
struct KeyName {
    const char *oid;
    const wchar_t *key;
};

const KeyName keyNames[] = {
    {"2.5.4.3", L"CN"},
    {"2.5.4.7", L"L"},
    {"2.5.4.10", L"O"},
    {"2.5.4.11", L"OU"},
    {"1.2.840.113549.1.9.1", L"E"},
    {"2.5.4.6", L"C"},
    {"2.5.4.8", L"S"},
    {"2.5.4.9", L"STREET"},
    {"2.5.4.12", L"T"},
    {"2.5.4.42", L"G"},
    {"2.5.4.43", L"I"},
    {"2.5.4.4", L"SN"},
    {"2.5.4.5", L"SERIALNUMBER"},
    {"0.9.2342.19200300.100.1.25", L"DC"},
    {"2.5.4.13", L"Description"},
    {"2.5.4.17", L"PostalCode"},
    {"2.5.4.18", L"POBox"},
    {"2.5.4.20", L"Phone"},
    {"2.5.4.24", L"X21Address"},
    {"2.5.4.46", L"dnQualifier"},
};

const wchar_t *keyNameOf(const std::string &oid)
{
    for (const KeyName &entry : keyNames) {
        if (oid == entry.oid)
            return entry.key;
    }
    return nullptr;
}

// Dotted text of an encoded OBJECT IDENTIFIER element.
HRESULT oidText(const DerElement &element, std::string &text)
{
    const unsigned char *p = element.encoding;
    ERR_set_mark();
    std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> object(
        d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(element.encodingSize)), &ASN1_OBJECT_free);
    ERR_pop_to_mark();
    if (!object)
        return CRYPT_E_ASN1_CORRUPT;
    char buffer[128];
    const int length = OBJ_obj2txt(buffer, sizeof buffer, object.get(), 1);
    if (length <= 0)
        return CRYPT_E_ASN1_CORRUPT;
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        text.assign(buffer, static_cast<std::size_t>(length));
    } else {
        std::string longer(static_cast<std::size_t>(length) + 1, '\0');
        OBJ_obj2txt(&longer[0], length + 1, object.get(), 1);
        longer.resize(static_cast<std::size_t>(length));
        text = longer;
    }
    return S_OK;
}

bool needsQuotes(const std::wstring &value)
{
    if (value.empty() || value.front() == L' ' || value.back() == L' ')
        return true;
    return value.find_first_of(L",+=\"\n<>#;") != std::wstring::npos;
}

std::wstring quoted(const std::wstring &value)
{
    std::wstring text(1, L'"');
    for (wchar_t c : value) {
        if (c == L'"')
            text += L'"';
        text += c;
    }
    text += L'"';
    return text;
}

bool isStringValue(const NameAttribute &attribute)
{
    return !attribute.valueConstructed && isStringTag(attribute.valueTag);
}

HRESULT parseAttribute(const BYTE *&pos, const BYTE *end, NameAttribute &attribute)
{
    DerElement sequence;
    HRESULT hr = readDerElement(pos, end, V_ASN1_SEQUENCE, true, sequence);
    if (hr != S_OK)
        return hr;
    const BYTE *inner = sequence.contents;
    const BYTE *innerEnd = sequence.contents + sequence.contentsSize;
    DerElement type;
    if ((hr = readDerElement(inner, innerEnd, V_ASN1_OBJECT, false, type)) != S_OK)
        return hr;
    if ((hr = oidText(type, attribute.oid)) != S_OK)
        return hr;
    DerElement value;
    if ((hr = readDerElement(inner, innerEnd, value)) != S_OK)
        return hr;
    if (inner != innerEnd)
        return CRYPT_E_ASN1_CORRUPT;
    attribute.valueTag = value.tagClass == V_ASN1_UNIVERSAL ? value.tag : -1;
    attribute.valueConstructed = value.constructed;
    attribute.value = value.encoding;
    attribute.valueSize = value.encodingSize;
    attribute.contents = value.contents;
    attribute.contentsSize = value.contentsSize;
    // Two- and four-byte strings must hold whole characters.
    if (!value.constructed && ((attribute.valueTag == V_ASN1_BMPSTRING && value.contentsSize % 2 != 0) ||
                               (attribute.valueTag == V_ASN1_UNIVERSALSTRING && value.contentsSize % 4 != 0)))
        return CRYPT_E_ASN1_CORRUPT;
    return S_OK;
}

} // namespace

HRESULT parseName(const BYTE *data, std::size_t size, std::vector<NameRdn> &rdns)
{
    rdns.clear();
    const BYTE *pos = data;
    const BYTE *end = data + size;
    DerElement name;
    HRESULT hr = readDerElement(pos, end, V_ASN1_SEQUENCE, true, name);
    if (hr != S_OK)
        return hr;
    if (pos != end)
        return CRYPT_E_ASN1_CORRUPT;
    const BYTE *rdnPos = name.contents;
    const BYTE *rdnEnd = name.contents + name.contentsSize;
    while (rdnPos < rdnEnd) {
        DerElement set;
        if ((hr = readDerElement(rdnPos, rdnEnd, V_ASN1_SET, true, set)) != S_OK)
            return hr;
        if (set.contentsSize == 0)
            return CRYPT_E_ASN1_CORRUPT; // an RDN holds at least one attribute
        NameRdn rdn;
        const BYTE *attributePos = set.contents;
        const BYTE *attributeEnd = set.contents + set.contentsSize;
        while (attributePos < attributeEnd) {
            NameAttribute attribute;
            if ((hr = parseAttribute(attributePos, attributeEnd, attribute)) != S_OK)
                return hr;
            rdn.push_back(std::move(attribute));
        }
        rdns.push_back(std::move(rdn));
    }
    return S_OK;
}

std::wstring attributeValueText(const NameAttribute &attribute)
{
    std::wstring text;
    if (isStringValue(attribute) &&
        decodeStringValue(attribute.valueTag, attribute.contents, attribute.contentsSize, text))
        return text;
    if (attribute.valueTag == V_ASN1_OCTET_STRING && !attribute.valueConstructed)
        return L"#" + hexText(attribute.contents, attribute.contentsSize);
    return L"#" + hexText(attribute.value, attribute.valueSize);
}

bool isNameStrType(DWORD strType)
{
    const DWORD type = strType & 0xFFFF;
    return type == CERT_SIMPLE_NAME_STR || type == CERT_OID_NAME_STR || type == CERT_X500_NAME_STR;
}

std::wstring formatName(const std::vector<NameRdn> &rdns, DWORD strType)
{
    const DWORD type = strType & 0xFFFF;
    const wchar_t *rdnSeparator = (strType & CERT_NAME_STR_SEMICOLON_FLAG) ? L"; "
                                  : (strType & CERT_NAME_STR_CRLF_FLAG)    ? L"\r\n"
                                                                           : L", ";
    const wchar_t *valueSeparator = (strType & CERT_NAME_STR_NO_PLUS_FLAG) ? L" " : L" + ";
    const bool quoting = (strType & CERT_NAME_STR_NO_QUOTING_FLAG) == 0;

    std::vector<const NameRdn *> order;
    for (const NameRdn &rdn : rdns)
        order.push_back(&rdn);
    if (strType & CERT_NAME_STR_REVERSE_FLAG)
        std::reverse(order.begin(), order.end());

    std::wstring text;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0)
            text += rdnSeparator;
        const NameRdn &rdn = *order[i];
        for (std::size_t j = 0; j < rdn.size(); ++j) {
            const NameAttribute &attribute = rdn[j];
            if (j > 0)
                text += valueSeparator;
            if (type == CERT_OID_NAME_STR) {
                text += std::wstring(attribute.oid.begin(), attribute.oid.end()) + L"=";
            } else if (type == CERT_X500_NAME_STR) {
                if (const wchar_t *key = keyNameOf(attribute.oid))
                    text += key;
                else
                    text += L"OID." + std::wstring(attribute.oid.begin(), attribute.oid.end());
                text += L"=";
            }
            const std::wstring value = attributeValueText(attribute);
            // The "#" form of a value that is not a string stands unquoted, as RFC 1779 writes it.
            text += quoting && isStringValue(attribute) && needsQuotes(value) ? quoted(value) : value;
        }
    }
    return text;
}

DWORD copyNameString(const std::wstring &text, LPWSTR psz, DWORD csz)
{
    const DWORD needed = static_cast<DWORD>(text.size()) + 1;
    if (psz == nullptr || csz == 0)
        return needed;
    const DWORD written = std::min(needed, csz) - 1;
    std::copy_n(text.data(), written, psz);
    psz[written] = L'\0';
    return written + 1;
}

} // namespace platform

DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType, LPWSTR psz, DWORD csz)
{
    std::wstring text;
    if (GET_CERT_ENCODING_TYPE(dwCertEncodingType) != X509_ASN_ENCODING || pName == nullptr ||
        (pName->pbData == nullptr && pName->cbData != 0) || !platform::isNameStrType(dwStrType)) {
        SetLastError(static_cast<DWORD>(E_INVALIDARG));
    } else {
        std::vector<platform::NameRdn> rdns;
        const HRESULT hr = platform::parseName(pName->pbData, pName->cbData, rdns);
        if (hr == S_OK)
            text = platform::formatName(rdns, dwStrType);
        else
            SetLastError(static_cast<DWORD>(hr));
    }
    // Even a failure leaves a terminated (empty) string and counts its zero.
    return platform::copyNameString(text, psz, csz);
}
