// The serialized store format, which store files and serialized elements use: an 8-byte
// header, then elements of (id, encoding type, length) and value, each certificate, CRL
// or CTL preceded by its properties, and an end marker.
#pragma once

#include "certificates/certobject.h"

#include <functional>
#include <vector>

namespace platform {

// Element ids of the serialized store format that are not properties.
constexpr DWORD kCertElementId = 32;
constexpr DWORD kCrlElementId = 33;
constexpr DWORD kCtlElementId = 34;

// One element of the serialized format: properties, then the certificate/CRL/CTL.
struct SerializedElement {
    DWORD id = 0;
    std::vector<Property> props;
    Bytes encoded;
    DWORD encodingType = X509_ASN_ENCODING; // as read, so that a rewrite keeps it
};

// Serialized store format (header, elements, end marker).
constexpr size_t kSerializedStoreHeaderSize = 8;
bool isSerializedStoreHeader(const BYTE *data, size_t size);
// Hands each element of a serialized store to `each` in order, one at a time. Malformed
// data, or `each` returning false, fails with ERROR_FILE_CORRUPT.
bool forEachSerializedElement(const Bytes &data, const std::function<bool(SerializedElement &)> &each);
bool parseSerializedStore(const Bytes &data, std::vector<SerializedElement> &out); // sets last error
bool parseSerializedElement(const BYTE *data, DWORD size, SerializedElement &out); // sets last error
void appendElement(Bytes &out, const SerializedElement &element);
Bytes serializeStore(const std::vector<SerializedElement> &elements);

// Properties of a parsed certificate as read from a serialized element: hash properties
// are recomputed in place.
std::vector<Property> trustedProperties(const std::vector<Property> &props, const ParsedCertificate &cert);

SerializedElement elementOf(const CertObject &object);

} // namespace platform
