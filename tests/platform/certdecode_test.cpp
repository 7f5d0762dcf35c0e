// CertFindExtension and CryptDecodeObject: the subject key identifier of a certificate.
#include "derbuilder.h"
#include "testcertificate.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace testing_support;

namespace {

const CERT_EXTENSION &keyIdentifierExtension(TestCertificate &certificate)
{
    CERT_INFO &info = certificate.info();
    PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_KEY_IDENTIFIER, info.cExtension, info.rgExtension);
    if (extension == nullptr)
        throw std::runtime_error("certificate without a key identifier");
    return *extension;
}

// Decodes with the two documented calls and returns the buffer holding the result.
std::vector<BYTE> decodeTwice(LPCSTR structType, const Bytes &encoded, DWORD flags = 0)
{
    DWORD size = 0;
    EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, structType, encoded.data(), static_cast<DWORD>(encoded.size()),
                                  flags, nullptr, &size));
    std::vector<BYTE> buffer(size);
    EXPECT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, structType, encoded.data(), static_cast<DWORD>(encoded.size()),
                                  flags, buffer.data(), &size));
    EXPECT_EQ(size, buffer.size());
    return buffer;
}

CRYPT_DATA_BLOB blobIn(const std::vector<BYTE> &buffer)
{
    CRYPT_DATA_BLOB blob;
    std::memcpy(&blob, buffer.data(), sizeof blob);
    return blob;
}

Bytes bytesOf(const CRYPT_DATA_BLOB &blob) { return Bytes(blob.pbData, blob.pbData + blob.cbData); }

Bytes valueOf(const CERT_EXTENSION &extension)
{
    return Bytes(extension.Value.pbData, extension.Value.pbData + extension.Value.cbData);
}

// Decoding `encoded` as a key identifier fails; returns the last error.
DWORD decodeError(const Bytes &encoded, LPCSTR structType = szOID_SUBJECT_KEY_IDENTIFIER,
                  DWORD encodingType = X509_ASN_ENCODING)
{
    DWORD size = 0;
    SetLastError(0);
    EXPECT_FALSE(CryptDecodeObject(encodingType, structType, encoded.data(), static_cast<DWORD>(encoded.size()), 0,
                                   nullptr, &size));
    return GetLastError();
}

} // namespace

TEST(FindExtension, FindsTheExtensionByOid)
{
    TestCertificate certificate("rsa.der");
    CERT_INFO &info = certificate.info();
    PCERT_EXTENSION extension = CertFindExtension(szOID_SUBJECT_KEY_IDENTIFIER, info.cExtension, info.rgExtension);
    ASSERT_NE(extension, nullptr);
    EXPECT_STREQ(extension->pszObjId, szOID_SUBJECT_KEY_IDENTIFIER);
    EXPECT_GE(extension, info.rgExtension);
    EXPECT_LT(extension, info.rgExtension + info.cExtension);
}

TEST(FindExtension, AbsentExtensionGivesNullAndNotFound)
{
    TestCertificate certificate("no-ski.der");
    CERT_INFO &info = certificate.info();
    SetLastError(0);
    EXPECT_EQ(CertFindExtension(szOID_SUBJECT_KEY_IDENTIFIER, info.cExtension, info.rgExtension), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));
}

class KeyIdentifierOfCertificate : public ::testing::TestWithParam<const char *> {};

TEST_P(KeyIdentifierOfCertificate, DecodesToTheKeyIdentifierBytes)
{
    TestCertificate certificate(GetParam());
    const std::vector<BYTE> buffer =
        decodeTwice(szOID_SUBJECT_KEY_IDENTIFIER, valueOf(keyIdentifierExtension(certificate)));
    EXPECT_EQ(bytesOf(blobIn(buffer)), certificate.keyIdentifier());
}

INSTANTIATE_TEST_SUITE_P(Generated, KeyIdentifierOfCertificate,
                         ::testing::Values("ca.der", "rsa.der", "ec.der", "gost2012.der", "large.der"));

TEST(KeyIdentifierDecode, SizeIsTheBlobAndItsBytes)
{
    TestCertificate certificate("rsa.der");
    const Bytes encoded = valueOf(keyIdentifierExtension(certificate));
    DWORD size = 0;
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, szOID_SUBJECT_KEY_IDENTIFIER, encoded.data(),
                                  static_cast<DWORD>(encoded.size()), 0, nullptr, &size));
    EXPECT_EQ(size, sizeof(CRYPT_DATA_BLOB) + certificate.keyIdentifier().size());
}

TEST(KeyIdentifierDecode, BytesFollowTheBlobInTheCallersBuffer)
{
    TestCertificate certificate("rsa.der");
    const std::vector<BYTE> buffer =
        decodeTwice(szOID_SUBJECT_KEY_IDENTIFIER, valueOf(keyIdentifierExtension(certificate)));
    EXPECT_EQ(blobIn(buffer).pbData, buffer.data() + sizeof(CRYPT_DATA_BLOB));
}

TEST(KeyIdentifierDecode, ShortBufferAsksForMoreAndTellsTheSize)
{
    TestCertificate certificate("rsa.der");
    const Bytes encoded = valueOf(keyIdentifierExtension(certificate));
    std::vector<BYTE> buffer(sizeof(CRYPT_DATA_BLOB) + 4);
    DWORD size = static_cast<DWORD>(buffer.size());
    SetLastError(0);
    EXPECT_FALSE(CryptDecodeObject(X509_ASN_ENCODING, szOID_SUBJECT_KEY_IDENTIFIER, encoded.data(),
                                   static_cast<DWORD>(encoded.size()), 0, buffer.data(), &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, sizeof(CRYPT_DATA_BLOB) + certificate.keyIdentifier().size());
}

TEST(KeyIdentifierDecode, UnalignedBufferIsFilledAllTheSame)
{
    const Bytes encoded = tlv(kOctetString, {1, 2, 3});
    std::vector<BYTE> storage(1 + sizeof(CRYPT_DATA_BLOB) + 3);
    DWORD size = static_cast<DWORD>(storage.size() - 1);
    ASSERT_TRUE(CryptDecodeObject(X509_ASN_ENCODING, X509_OCTET_STRING, encoded.data(),
                                  static_cast<DWORD>(encoded.size()), 0, storage.data() + 1, &size));
    const std::vector<BYTE> result(storage.begin() + 1, storage.end());
    EXPECT_EQ(bytesOf(blobIn(result)), (Bytes{1, 2, 3}));
}

TEST(KeyIdentifierDecode, OctetStringTypeDecodesTheSameWay)
{
    const Bytes encoded = tlv(kOctetString, {0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(bytesOf(blobIn(decodeTwice(X509_OCTET_STRING, encoded))), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST(KeyIdentifierDecode, NoCopyFlagPointsIntoTheEncoding)
{
    const Bytes encoded = tlv(kOctetString, {7, 8, 9});
    const std::vector<BYTE> buffer = decodeTwice(szOID_SUBJECT_KEY_IDENTIFIER, encoded, CRYPT_DECODE_NOCOPY_FLAG);
    EXPECT_EQ(buffer.size(), sizeof(CRYPT_DATA_BLOB));
    EXPECT_EQ(blobIn(buffer).pbData, encoded.data() + 2);
    EXPECT_EQ(blobIn(buffer).cbData, 3u);
}

TEST(KeyIdentifierDecode, EmptyOctetStringIsAnEmptyBlob)
{
    EXPECT_EQ(blobIn(decodeTwice(szOID_SUBJECT_KEY_IDENTIFIER, tlv(kOctetString, {}))).cbData, 0u);
}

TEST(DecodeErrors, TruncatedValueIsEndOfData)
{
    EXPECT_EQ(decodeError({kOctetString, 0x05, 0x01, 0x02}), static_cast<DWORD>(CRYPT_E_ASN1_EOD));
}

TEST(DecodeErrors, NoBytesAtAllIsEndOfData) { EXPECT_EQ(decodeError({}), static_cast<DWORD>(CRYPT_E_ASN1_EOD)); }

TEST(DecodeErrors, OtherTypeIsBadTag)
{
    EXPECT_EQ(decodeError(tlv(kInteger, {0x05})), static_cast<DWORD>(CRYPT_E_ASN1_BADTAG));
}

TEST(DecodeErrors, BytesAfterTheValueAreCorrupt)
{
    EXPECT_EQ(decodeError({kOctetString, 0x01, 0xAA, 0x00}), static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT));
}

TEST(DecodeErrors, IndefiniteLengthIsCorrupt)
{
    EXPECT_EQ(decodeError({0x24, 0x80, kOctetString, 0x01, 0xAA, 0x00, 0x00}),
              static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT));
}

TEST(DecodeErrors, UnknownStructureTypeHasNoDecoder)
{
    EXPECT_EQ(decodeError(tlv(kOctetString, {1}), "1.2.3.4"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DecodeErrors, UnknownEncodingTypeHasNoDecoder)
{
    EXPECT_EQ(decodeError(tlv(kOctetString, {1}), szOID_SUBJECT_KEY_IDENTIFIER, 2),
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
