// DER bytes built from the ASN.1 description, for names and values the tests need exactly.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <utility>
#include <string>
#include <vector>

namespace testing_support {

using Bytes = std::vector<BYTE>;

// Universal tags used by the tests.
enum Tag : BYTE {
    kInteger = 0x02,
    kOctetString = 0x04,
    kUtf8String = 0x0C,
    kNumericString = 0x12,
    kPrintableString = 0x13,
    kT61String = 0x14,
    kIa5String = 0x16,
    kVisibleString = 0x1A,
    kGeneralString = 0x1B,
    kUniversalString = 0x1C,
    kBmpString = 0x1E,
    kSequence = 0x30,
    kSet = 0x31,
};

// Tag, definite length and contents.
Bytes tlv(BYTE tag, const Bytes &contents);
Bytes bytesOf(const std::string &text);
// The encoded OBJECT IDENTIFIER for dotted text.
Bytes oid(const std::string &dotted);

// AttributeTypeAndValue with a value of the given tag and raw contents.
Bytes attribute(const std::string &dottedOid, BYTE valueTag, const Bytes &contents);
// The same with a UTF8String value.
Bytes utf8Attribute(const std::string &dottedOid, const std::wstring &text);
// RelativeDistinguishedName: a SET of attributes, in the order given.
Bytes rdn(std::initializer_list<Bytes> attributes);
// Name: a SEQUENCE of RDNs.
Bytes name(std::initializer_list<Bytes> rdns);
// A name of single-valued RDNs with UTF8String values: {{oid, value}, ...}.
Bytes simpleName(std::initializer_list<std::pair<std::string, std::wstring>> attributes);

// UTF-8, big-endian UTF-16 and UCS-4 bytes of wide text (one code point per wchar_t).
Bytes utf8(const std::wstring &text);
Bytes utf16BigEndian(const std::wstring &text);
Bytes ucs4BigEndian(const std::wstring &text);

} // namespace testing_support
