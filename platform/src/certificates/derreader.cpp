#include "certificates/derreader.h"

#include <openssl/asn1.h>
#include <openssl/err.h>

namespace platform {

HRESULT readDerElement(const BYTE *&pos, const BYTE *end, DerElement &element)
{
    if (pos >= end)
        return CRYPT_E_ASN1_EOD;
    const unsigned char *p = pos;
    long length = 0;
    int tag = 0;
    int tagClass = 0;
    // The OpenSSL error queue is no business of our callers: they get a last error instead.
    ERR_set_mark();
    const int header = ASN1_get_object(&p, &length, &tag, &tagClass, static_cast<long>(end - pos));
    ERR_pop_to_mark();
    if (header & 0x80)
        return CRYPT_E_ASN1_EOD; // the header or the contents run past the end
    if (header & 0x01)
        return CRYPT_E_ASN1_CORRUPT; // indefinite length
    element.tag = tag;
    element.tagClass = tagClass;
    element.constructed = (header & V_ASN1_CONSTRUCTED) != 0;
    element.encoding = pos;
    element.contents = p;
    element.contentsSize = static_cast<std::size_t>(length);
    element.encodingSize = static_cast<std::size_t>(p - pos) + element.contentsSize;
    pos = p + length;
    return S_OK;
}

HRESULT readDerElement(const BYTE *&pos, const BYTE *end, int tag, bool constructed, DerElement &element)
{
    const BYTE *start = pos;
    const HRESULT hr = readDerElement(pos, end, element);
    if (hr != S_OK)
        return hr;
    if (element.tagClass != V_ASN1_UNIVERSAL || element.tag != tag || element.constructed != constructed) {
        pos = start;
        return CRYPT_E_ASN1_BADTAG;
    }
    return S_OK;
}

std::wstring hexText(const BYTE *bytes, std::size_t size)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace platform
