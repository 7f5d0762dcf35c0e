// Encoded X.500 names (CERT_NAME_BLOB) as the platform layer reads and writes them as text.
#pragma once

#include <wincrypt.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// One attribute of a relative distinguished name. The pointers point into the name blob.
struct NameAttribute {
    std::string oid;  // dotted form, e.g. "2.5.4.3"
    int valueTag = 0; // universal tag of the value, -1 for other classes
    bool valueConstructed = false;
    const BYTE *value = nullptr; // the value's whole encoding
    std::size_t valueSize = 0;
    const BYTE *contents = nullptr; // the value's contents
    std::size_t contentsSize = 0;
};

// A relative distinguished name: one attribute, or several (a multi-valued RDN).
using NameRdn = std::vector<NameAttribute>;

// Splits an encoded Name into its RDNs, in encoded order. Returns S_OK or the CRYPT_E_ASN1_*
// code of the damage; attribute pointers stay valid as long as the blob's bytes do.
HRESULT parseName(const BYTE *data, std::size_t size, std::vector<NameRdn> &rdns);

// The value as text, unquoted: the decoded string, or for values that are not strings "#"
// and the hexadecimal bytes (an OCTET STRING's contents, else the whole encoding).
std::wstring attributeValueText(const NameAttribute &attribute);

// True when the low word of `strType` is a string type that formatName writes
// (CERT_SIMPLE_NAME_STR, CERT_OID_NAME_STR, CERT_X500_NAME_STR).
bool isNameStrType(DWORD strType);

// The name as CertNameToStr writes it for `strType` (type and CERT_NAME_STR_* flags).
std::wstring formatName(const std::vector<NameRdn> &rdns, DWORD strType);

// Copies text out the way the name string functions do: with no buffer (or csz 0) returns
// the characters needed including the terminating zero; otherwise writes as much as fits
// followed by a zero and returns the characters written including that zero.
DWORD copyNameString(const std::wstring &text, LPWSTR psz, DWORD csz);

} // namespace platform
