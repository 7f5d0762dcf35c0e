// The serialized certificate store format: an 8-byte header (version 0, "CERT"), then
// elements of little-endian (id, encoding type, length) followed by the value, each
// certificate, CRL or CTL preceded by its properties, and an end marker of 12 zero bytes.
#include "stores/serializedformat.h"
#include "lasterror.h"

#include <algorithm>

namespace platform {
namespace {

constexpr BYTE kHeader[8] = {0, 0, 0, 0, 'C', 'E', 'R', 'T'};

DWORD readDword(const BYTE *p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

void putDword(Bytes &out, DWORD v)
{
    out.push_back(static_cast<BYTE>(v));
    out.push_back(static_cast<BYTE>(v >> 8));
    out.push_back(static_cast<BYTE>(v >> 16));
    out.push_back(static_cast<BYTE>(v >> 24));
}

void putEntry(Bytes &out, DWORD id, DWORD encodingType, const Bytes &value)
{
    putDword(out, id);
    putDword(out, encodingType);
    putDword(out, static_cast<DWORD>(value.size()));
    out.insert(out.end(), value.begin(), value.end());
}

bool isContextId(DWORD id) { return id == kCertElementId || id == kCrlElementId || id == kCtlElementId; }

// Entries are X.509 ASN.1 (1); the type combined with PKCS #7 (0x00010001), which callers
// pass everywhere, names the same certificate encoding. Any other value is data this layer
// cannot vouch for: its file is refused rather than rewritten with the value changed.
bool isKnownEncoding(DWORD encodingType)
{
    return encodingType == X509_ASN_ENCODING || encodingType == (X509_ASN_ENCODING | PKCS_7_ASN_ENCODING);
}

// Reads entries from [pos, end) until one context element is complete. Returns false on
// malformed input; sets `ended` when the end marker is met before any entry.
bool readElement(const BYTE *data, size_t end, size_t &pos, SerializedElement &out, bool &ended)
{
    ended = false;
    out = SerializedElement{};
    while (true) {
        if (end - pos < 12)
            return false;
        const DWORD id = readDword(data + pos);
        const DWORD encodingType = readDword(data + pos + 4);
        const DWORD length = readDword(data + pos + 8);
        if (id == 0) {
            if (encodingType != 0 || length != 0 || !out.props.empty())
                return false; // a marker inside an element, or properties with no certificate
            pos += 12;
            ended = true;
            return true;
        }
        pos += 12;
        if (length > end - pos || !isKnownEncoding(encodingType))
            return false;
        Bytes value(data + pos, data + pos + length);
        pos += length;
        if (isContextId(id)) {
            out.id = id;
            out.encoded = std::move(value);
            out.encodingType = encodingType;
            return true;
        }
        out.props.push_back(Property{id, encodingType, std::move(value), true});
    }
}

} // namespace

bool isSerializedStoreHeader(const BYTE *data, size_t size)
{
    return size >= sizeof kHeader && std::equal(kHeader, kHeader + sizeof kHeader, data);
}

bool forEachSerializedElement(const Bytes &data, const std::function<bool(SerializedElement &)> &each)
{
    if (data.empty())
        return true;
    if (!isSerializedStoreHeader(data.data(), data.size()))
        return fail(ERROR_FILE_CORRUPT, false);
    size_t pos = sizeof kHeader;
    while (true) {
        SerializedElement element;
        bool ended = false;
        if (!readElement(data.data(), data.size(), pos, element, ended))
            return fail(ERROR_FILE_CORRUPT, false);
        if (ended)
            break;
        if (!each(element))
            return fail(ERROR_FILE_CORRUPT, false);
    }
    if (pos != data.size()) // nothing may follow the end marker
        return fail(ERROR_FILE_CORRUPT, false);
    return true;
}

bool parseSerializedStore(const Bytes &data, std::vector<SerializedElement> &out)
{
    out.clear();
    return forEachSerializedElement(data, [&](SerializedElement &element) {
        out.push_back(std::move(element));
        return true;
    });
}

bool parseSerializedElement(const BYTE *data, DWORD size, SerializedElement &out)
{
    if (!data)
        return fail(hresultCode(E_INVALIDARG), false);
    size_t pos = 0;
    bool ended = false;
    if (!readElement(data, size, pos, out, ended) || ended || pos != size)
        return fail(ERROR_INVALID_DATA, false);
    return true;
}

void appendElement(Bytes &out, const SerializedElement &element)
{
    for (const Property &p : element.props)
        if (p.persist)
            putEntry(out, p.id, p.encodingType, p.value);
    putEntry(out, element.id, element.encodingType, element.encoded);
}

Bytes serializeStore(const std::vector<SerializedElement> &elements)
{
    Bytes out(kHeader, kHeader + sizeof kHeader);
    size_t total = out.size() + 12;
    for (const SerializedElement &e : elements) {
        total += 12 + e.encoded.size();
        for (const Property &p : e.props)
            total += 12 + p.value.size();
    }
    out.reserve(total);
    for (const SerializedElement &e : elements)
        appendElement(out, e);
    out.insert(out.end(), 12, 0);
    return out;
}

std::vector<Property> trustedProperties(const std::vector<Property> &props, const ParsedCertificate &cert)
{
    std::vector<Property> out = props;
    for (Property &p : out)
        if (isHashProperty(p.id))
            p.value = computeHashProperty(cert, p.id);
    return out;
}

SerializedElement elementOf(const CertObject &object)
{
    return SerializedElement{kCertElementId, object.props, object.cert->encoded};
}

} // namespace platform
