// Store contents: add dispositions, finding, enumeration and deletion.
#include "storehelpers.h"

#include <gtest/gtest.h>

using namespace storetest;

namespace {

void setFriendlyName(PCCERT_CONTEXT c, std::vector<BYTE> value)
{
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(value.size()), value.data()};
    ASSERT_TRUE(CertSetCertificateContextProperty(c, CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
}

void setProperty(PCCERT_CONTEXT c, DWORD id, std::vector<BYTE> value)
{
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(value.size()), value.data()};
    ASSERT_TRUE(CertSetCertificateContextProperty(c, id, 0, &blob));
}

} // namespace

TEST(AddDisposition, NewRefusesAnEqualCertificate)
{
    StoreHandle store = openMemory();
    Context c = create(testsupport::makeNumberedCertificate(1));
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_NEW, nullptr));
    PCCERT_CONTEXT added = reinterpret_cast<PCCERT_CONTEXT>(1);
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_NEW, &added));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_EXISTS));
    EXPECT_EQ(added, nullptr);
    EXPECT_EQ(encodings(store.get()).size(), 1u);
}

TEST(AddDisposition, AlwaysKeepsDuplicatesAndFindWalksThemInOrder)
{
    StoreHandle store = openMemory();
    const Bytes der = testsupport::makeNumberedCertificate(2);
    Context c = create(der);
    PCCERT_CONTEXT first = nullptr, second = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, &first));
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, &second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first->hCertStore, store.get());
    EXPECT_EQ(encodings(store.get()), (std::vector<Bytes>{der, der}));

    const Bytes hash = testsupport::sha1Of(der);
    CRYPT_HASH_BLOB blob{20, const_cast<BYTE *>(hash.data())};
    PCCERT_CONTEXT found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob,
                                                      nullptr);
    EXPECT_EQ(found, first);
    found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, found);
    EXPECT_EQ(found, second);
    found = CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, found);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));

    // A replacement takes the first copy's place; once it is deleted, the walk from it and
    // a new search both find the second copy.
    PCCERT_CONTEXT replacement = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_REPLACE_EXISTING, &replacement));
    EXPECT_EQ(findByHash(store.get(), hash).get(), replacement);
    EXPECT_EQ(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob,
                                         CertDuplicateCertificateContext(replacement)),
              second);
    CertFreeCertificateContext(second); // the reference the search took
    ASSERT_TRUE(CertDeleteCertificateFromStore(CertDuplicateCertificateContext(replacement)));
    EXPECT_EQ(CertFindCertificateInStore(store.get(), X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, replacement),
              second);
    CertFreeCertificateContext(second);
    EXPECT_EQ(findByHash(store.get(), hash).get(), second);
    EXPECT_EQ(encodings(store.get()), (std::vector<Bytes>{der}));
    CertFreeCertificateContext(first);
    CertFreeCertificateContext(second);
}

TEST(AddDisposition, UseExistingReturnsTheStoredOneWithTheNewPropertiesAdded)
{
    StoreHandle store = openMemory();
    const Bytes der = testsupport::makeNumberedCertificate(3);
    Context original = create(der);
    setFriendlyName(original.get(), {'a'});
    PCCERT_CONTEXT stored = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), original.get(), CERT_STORE_ADD_ALWAYS, &stored));
    Context held(stored);

    Context incoming = create(der);
    setFriendlyName(incoming.get(), {'b'});
    setProperty(incoming.get(), 0x8000, {7});
    PCCERT_CONTEXT result = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), incoming.get(), CERT_STORE_ADD_USE_EXISTING, &result));
    Context used(result);
    EXPECT_EQ(result, stored);
    EXPECT_EQ(propertyOf(result, CERT_FRIENDLY_NAME_PROP_ID), Bytes{'a'});
    EXPECT_EQ(propertyOf(result, 0x8000), Bytes{7});
    EXPECT_EQ(encodings(store.get()).size(), 1u);
}

TEST(AddDisposition, ReplaceExistingTakesTheNewPropertiesAndInheritKeepsTheOldOnes)
{
    StoreHandle store = openMemory();
    const Bytes der = testsupport::makeNumberedCertificate(4);
    Context original = create(der);
    setFriendlyName(original.get(), {'a'});
    setProperty(original.get(), 0x8000, {1});
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), original.get(), CERT_STORE_ADD_ALWAYS, nullptr));

    Context incoming = create(der);
    setFriendlyName(incoming.get(), {'b'});
    ASSERT_TRUE(
        CertAddCertificateContextToStore(store.get(), incoming.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    Context now = findByHash(store.get(), testsupport::sha1Of(der));
    EXPECT_EQ(propertyOf(now.get(), CERT_FRIENDLY_NAME_PROP_ID), Bytes{'b'});
    EXPECT_TRUE(propertyOf(now.get(), 0x8000).empty());
    EXPECT_EQ(encodings(store.get()).size(), 1u);

    Context inheriting = create(der);
    setProperty(inheriting.get(), 0x8001, {2});
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), inheriting.get(),
                                                 CERT_STORE_ADD_REPLACE_EXISTING_INHERIT_PROPERTIES, nullptr));
    Context last = findByHash(store.get(), testsupport::sha1Of(der));
    EXPECT_EQ(propertyOf(last.get(), CERT_FRIENDLY_NAME_PROP_ID), Bytes{'b'});
    EXPECT_EQ(propertyOf(last.get(), 0x8001), Bytes{2});
    EXPECT_EQ(encodings(store.get()).size(), 1u);
}

TEST(AddDisposition, ReplacingKeepsTheCertificatesPlaceInTheOrder)
{
    StoreHandle store = openMemory();
    std::vector<Bytes> ders;
    for (unsigned i = 0; i < 3; ++i) {
        ders.push_back(testsupport::makeNumberedCertificate(10 + i));
        Context c = create(ders.back());
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    }
    Context again = create(ders[1]);
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), again.get(), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    EXPECT_EQ(encodings(store.get()), ders);
}

TEST(AddDisposition, UnknownDispositionIsRefused)
{
    StoreHandle store = openMemory();
    Context c = create(testsupport::makeNumberedCertificate(5));
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), c.get(), 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
    EXPECT_FALSE(CertAddCertificateContextToStore(store.get(), c.get(), 8, nullptr));
}

TEST(StoreContents, EnumerationGoesOnPastACertificateDeletedMeanwhile)
{
    StoreHandle store = openMemory();
    std::vector<Bytes> ders;
    for (unsigned i = 0; i < 4; ++i) {
        ders.push_back(testsupport::makeNumberedCertificate(20 + i));
        Context c = create(ders.back());
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    }
    std::vector<Bytes> seen;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store.get(), nullptr); c;
         c = CertEnumCertificatesInStore(store.get(), c)) {
        seen.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
        if (seen.size() == 2) { // delete the current one through a duplicate, then go on from it
            EXPECT_TRUE(CertDeleteCertificateFromStore(CertDuplicateCertificateContext(c)));
        }
    }
    EXPECT_EQ(seen, ders);
    EXPECT_EQ(encodings(store.get()), (std::vector<Bytes>{ders[0], ders[2], ders[3]}));
    EXPECT_FALSE(findByHash(store.get(), testsupport::sha1Of(ders[1])));
}

TEST(StoreContents, EnumerationEndsWithNotFound)
{
    StoreHandle store = openMemory();
    SetLastError(0);
    EXPECT_EQ(CertEnumCertificatesInStore(store.get(), nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));
}

TEST(StoreContents, FindingAHashOfAnotherLengthFindsNothing)
{
    StoreHandle store = openMemory();
    Context c = create(testsupport::makeNumberedCertificate(30));
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    Bytes hash = testsupport::sha1Of(Bytes(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded));
    hash.pop_back();
    EXPECT_FALSE(findByHash(store.get(), hash));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    EXPECT_TRUE(findByHash(store.get(), testsupport::sha1Of(Bytes(c->pbCertEncoded,
                                                                  c->pbCertEncoded + c->cbCertEncoded))));
}

TEST(StoreContents, ContextsOutliveTheirClosedStore)
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    Context c = create(testsupport::makeNumberedCertificate(40));
    PCCERT_CONTEXT stored = nullptr;
    ASSERT_TRUE(CertAddCertificateContextToStore(store, c.get(), CERT_STORE_ADD_ALWAYS, &stored));
    EXPECT_FALSE(CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_PENDING_CLOSE));
    // Still a whole certificate in a store that is still there for it.
    EXPECT_EQ(stored->hCertStore, store);
    EXPECT_EQ(propertyOf(stored, CERT_SHA1_HASH_PROP_ID).size(), 20u);
    EXPECT_TRUE(CertFreeCertificateContext(stored));
}

TEST(StoreContents, ForeignHandlesAreRefused)
{
    int notAStore[32] = {};
    EXPECT_EQ(CertEnumCertificatesInStore(notAStore, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
    EXPECT_TRUE(CertCloseStore(nullptr, 0));
}
