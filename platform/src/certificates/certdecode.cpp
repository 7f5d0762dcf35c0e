// CertFindExtension and CryptDecodeObject for the structures certinstall decodes.
#include "certificates/derreader.h"
#include "lasterror.h"

#include <wincrypt.h>

#include <openssl/asn1.h>

#include <cstdint>
#include <cstring>

namespace {

// lpszStructType is either an OID string or, with its high-order word zero, a small number.
bool isPredefinedType(LPCSTR structType, std::uintptr_t value)
{
    return reinterpret_cast<std::uintptr_t>(structType) == value;
}

bool isStructTypeOid(LPCSTR structType, const char *oid)
{
    return (reinterpret_cast<std::uintptr_t>(structType) >> 16) != 0 && std::strcmp(structType, oid) == 0;
}

// Decodes a DER OCTET STRING (a KeyIdentifier is one) as its contents, which stay in place.
HRESULT decodeOctetString(const BYTE *encoded, DWORD size, const BYTE *&contents, DWORD &contentsSize)
{
    const BYTE *pos = encoded;
    platform::DerElement element;
    const HRESULT hr = platform::readDerElement(pos, encoded + size, V_ASN1_OCTET_STRING, false, element);
    if (hr != S_OK)
        return hr;
    if (pos != encoded + size)
        return CRYPT_E_ASN1_CORRUPT; // bytes after the value
    contents = element.contents;
    contentsSize = static_cast<DWORD>(element.contentsSize);
    return S_OK;
}

// Writes a CRYPT_DATA_BLOB at the start of pvStructInfo. Its bytes follow the structure in
// the same buffer unless the caller allowed pointing into the encoding (NOCOPY).
BOOL returnDataBlob(const BYTE *contents, DWORD contentsSize, bool copy, void *pvStructInfo, DWORD *pcbStructInfo)
{
    const DWORD needed = sizeof(CRYPT_DATA_BLOB) + (copy ? contentsSize : 0);
    if (pvStructInfo == nullptr) {
        *pcbStructInfo = needed;
        return TRUE;
    }
    if (*pcbStructInfo < needed) {
        *pcbStructInfo = needed;
        return platform::fail(ERROR_MORE_DATA);
    }
    BYTE *buffer = static_cast<BYTE *>(pvStructInfo);
    CRYPT_DATA_BLOB blob;
    blob.cbData = contentsSize;
    if (contentsSize == 0) {
        blob.pbData = nullptr;
    } else if (copy) {
        blob.pbData = buffer + sizeof(CRYPT_DATA_BLOB);
        std::memcpy(blob.pbData, contents, contentsSize);
    } else {
        blob.pbData = const_cast<BYTE *>(contents);
    }
    // The caller's buffer need not be aligned for the structure.
    std::memcpy(buffer, &blob, sizeof blob);
    *pcbStructInfo = needed;
    return TRUE;
}

} // namespace

PCERT_EXTENSION WINAPI CertFindExtension(LPCSTR pszObjId, DWORD cExtensions, CERT_EXTENSION rgExtensions[])
{
    if (pszObjId == nullptr || (cExtensions != 0 && rgExtensions == nullptr))
        return platform::fail<PCERT_EXTENSION>(static_cast<DWORD>(E_INVALIDARG), nullptr);
    for (DWORD i = 0; i < cExtensions; ++i) {
        if (rgExtensions[i].pszObjId != nullptr && std::strcmp(rgExtensions[i].pszObjId, pszObjId) == 0)
            return &rgExtensions[i];
    }
    return platform::fail<PCERT_EXTENSION>(static_cast<DWORD>(CRYPT_E_NOT_FOUND), nullptr);
}

BOOL WINAPI CryptDecodeObject(DWORD dwCertEncodingType, LPCSTR lpszStructType, const BYTE *pbEncoded, DWORD cbEncoded,
                              DWORD dwFlags, void *pvStructInfo, DWORD *pcbStructInfo)
{
    if (lpszStructType == nullptr || pcbStructInfo == nullptr || (pbEncoded == nullptr && cbEncoded != 0) ||
        (dwFlags & CRYPT_DECODE_ALLOC_FLAG) != 0)
        return platform::fail(static_cast<DWORD>(E_INVALIDARG));
    // The certificate encoding type is used when given, else the message encoding type; both
    // are ASN.1, and there is no decoder for anything else.
    const DWORD certType = GET_CERT_ENCODING_TYPE(dwCertEncodingType);
    const DWORD messageType = dwCertEncodingType & ~CERT_ENCODING_TYPE_MASK;
    if (certType != X509_ASN_ENCODING && !(certType == 0 && messageType == PKCS_7_ASN_ENCODING))
        return platform::fail(ERROR_FILE_NOT_FOUND);

    if (isPredefinedType(lpszStructType, reinterpret_cast<std::uintptr_t>(X509_OCTET_STRING)) ||
        isStructTypeOid(lpszStructType, szOID_SUBJECT_KEY_IDENTIFIER)) {
        const BYTE *contents = nullptr;
        DWORD contentsSize = 0;
        const HRESULT hr = decodeOctetString(pbEncoded, cbEncoded, contents, contentsSize);
        if (hr != S_OK)
            return platform::fail(static_cast<DWORD>(hr));
        const bool copy = (dwFlags & CRYPT_DECODE_NOCOPY_FLAG) == 0;
        return returnDataBlob(contents, contentsSize, copy, pvStructInfo, pcbStructInfo);
    }
    // No decoder is installed for any other structure type.
    return platform::fail(ERROR_FILE_NOT_FOUND);
}
