#include "derbuilder.h"

#include <openssl/objects.h>

#include <cstdint>
#include <memory>
#include <stdexcept>

namespace testing_support {

Bytes tlv(BYTE tag, const Bytes &contents)
{
    Bytes out{tag};
    const std::size_t size = contents.size();
    if (size < 0x80) {
        out.push_back(static_cast<BYTE>(size));
    } else {
        Bytes length;
        for (std::size_t rest = size; rest != 0; rest >>= 8)
            length.insert(length.begin(), static_cast<BYTE>(rest & 0xFF));
        out.push_back(static_cast<BYTE>(0x80 | length.size()));
        out.insert(out.end(), length.begin(), length.end());
    }
    out.insert(out.end(), contents.begin(), contents.end());
    return out;
}

Bytes bytesOf(const std::string &text) { return Bytes(text.begin(), text.end()); }

Bytes oid(const std::string &dotted)
{
    std::unique_ptr<ASN1_OBJECT, decltype(&ASN1_OBJECT_free)> object(OBJ_txt2obj(dotted.c_str(), 1), &ASN1_OBJECT_free);
    if (!object)
        throw std::invalid_argument("bad OID " + dotted);
    const int size = i2d_ASN1_OBJECT(object.get(), nullptr);
    Bytes out(static_cast<std::size_t>(size));
    unsigned char *p = out.data();
    i2d_ASN1_OBJECT(object.get(), &p);
    return out;
}

Bytes attribute(const std::string &dottedOid, BYTE valueTag, const Bytes &contents)
{
    Bytes body = oid(dottedOid);
    const Bytes value = tlv(valueTag, contents);
    body.insert(body.end(), value.begin(), value.end());
    return tlv(kSequence, body);
}

Bytes utf8Attribute(const std::string &dottedOid, const std::wstring &text)
{
    return attribute(dottedOid, kUtf8String, utf8(text));
}

namespace {
Bytes concatenated(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}
} // namespace

Bytes rdn(std::initializer_list<Bytes> attributes) { return tlv(kSet, concatenated(attributes)); }

Bytes name(std::initializer_list<Bytes> rdns) { return tlv(kSequence, concatenated(rdns)); }

Bytes simpleName(std::initializer_list<std::pair<std::string, std::wstring>> attributes)
{
    Bytes body;
    for (const auto &entry : attributes) {
        const Bytes one = rdn({utf8Attribute(entry.first, entry.second)});
        body.insert(body.end(), one.begin(), one.end());
    }
    return tlv(kSequence, body);
}

Bytes utf8(const std::wstring &text)
{
    Bytes out;
    for (wchar_t c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        if (code < 0x80) {
            out.push_back(static_cast<BYTE>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<BYTE>(0xC0 | (code >> 6)));
            out.push_back(static_cast<BYTE>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<BYTE>(0xE0 | (code >> 12)));
            out.push_back(static_cast<BYTE>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<BYTE>(0xF0 | (code >> 18)));
            out.push_back(static_cast<BYTE>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

Bytes utf16BigEndian(const std::wstring &text)
{
    Bytes out;
    for (wchar_t c : text) {
        std::uint32_t code = static_cast<std::uint32_t>(c);
        auto push = [&out](std::uint32_t unit) {
            out.push_back(static_cast<BYTE>(unit >> 8));
            out.push_back(static_cast<BYTE>(unit & 0xFF));
        };
        if (code >= 0x10000) {
            code -= 0x10000;
            push(0xD800 + (code >> 10));
            push(0xDC00 + (code & 0x3FF));
        } else {
            push(code);
        }
    }
    return out;
}

Bytes ucs4BigEndian(const std::wstring &text)
{
    Bytes out;
    for (wchar_t c : text) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<BYTE>((code >> shift) & 0xFF));
    }
    return out;
}

} // namespace testing_support
