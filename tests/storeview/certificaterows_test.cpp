// The rows of an editor page without a window: which rows are shown, in what order, as the
// filter, removals and sorting change them.
#include "storeview/certificaterows.h"

#include "crypto/cryptexception.h"
#include "storeview/pagecommands.h"

#include "certfactory.h"

#include <gtest/gtest.h>

namespace {

using test::CertificateRows;

crypto::CryptoCertificate made(const char *name, std::int64_t notAfterUnix)
{
    testsupport::CertificateSpec spec;
    spec.commonName = name;
    spec.notAfterUnix = notAfterUnix;
    const testsupport::Bytes der = testsupport::makeCertificate(spec);
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    return crypto::CryptoCertificate::adopt(context);
}

// Each shown row by its place in the certificates given to the fill.
std::vector<size_t> shownIds(const CertificateRows &rows)
{
    std::vector<size_t> ids;
    for (size_t position = 0; position < rows.size(); ++position)
        ids.push_back(rows.idAt(position));
    return ids;
}

class PageRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Dates whose texts sort otherwise than the dates, whatever the date format.
        certificates = {made("Сидоров", 2083492800 /* 2036-01-09 */), made("Петров", 2213352000 /* 2040-02-20 */),
                        made("Абрамов", 2082715200 /* 2035-12-31 */), made("Петров", 2109240000 /* 2036-11-02 */)};
        rows.fill(certificates, [&](size_t count) { counted.push_back(count); });
    }

    std::vector<crypto::CryptoCertificate> certificates;
    std::vector<size_t> counted;
    CertificateRows rows;
};

TEST_F(PageRows, ShowsEveryCertificateInTheOrderGivenAndCountsEachRowAsItIsMade)
{
    EXPECT_EQ(shownIds(rows), (std::vector<size_t>{0, 1, 2, 3}));
    EXPECT_EQ(counted, (std::vector<size_t>{1, 2, 3, 4}));
    EXPECT_EQ(rows[1].hash(), certificates[1].sha1Hash());
}

TEST_F(PageRows, SortByAColumnEitherWayDatesAsDatesAndEqualRowsInTheOrderGiven)
{
    const struct {
        int column;
        bool ascending;
        std::vector<size_t> ids;
    } cases[] = {
        {CertificateRows::SUBJECT, true, {2, 1, 3, 0}},   {CertificateRows::SUBJECT, false, {0, 1, 3, 2}},
        {CertificateRows::NOT_AFTER, true, {2, 0, 3, 1}}, {CertificateRows::NOT_AFTER, false, {1, 3, 0, 2}},
    };
    for (const auto &sorted : cases) {
        rows.sort(sorted.column, sorted.ascending);
        EXPECT_EQ(shownIds(rows), sorted.ids) << "column " << sorted.column << ", ascending " << sorted.ascending;
        EXPECT_EQ(rows.sortColumn(), sorted.column);
        EXPECT_EQ(rows.sortAscending(), sorted.ascending);
    }
}

TEST_F(PageRows, NarrowingKeepsTheOrderAndTheNextFillShowsEveryRowInTheSortInForce)
{
    rows.sort(CertificateRows::NOT_AFTER, false);

    rows.narrow(L"пЕТ");
    EXPECT_EQ(shownIds(rows), (std::vector<size_t>{1, 3}));

    rows.fill(certificates, [](size_t) {});
    EXPECT_EQ(shownIds(rows), (std::vector<size_t>{1, 3, 0, 2}));
}

TEST(PageRowsFilter, TakesYoAndYeAsOneLetterEitherWay)
{
    const std::vector<crypto::CryptoCertificate> certificates = {
        made("Ёжиков", 2083492800), made("Елизаров", 2083492800), made("Иванов", 2083492800)};
    const struct {
        const wchar_t *text;
        std::vector<size_t> ids;
    } cases[] = {{L"ежик", {0}}, {L"ЁЛИ", {1}}, {L"ё", {0, 1}}};
    for (const auto &filter : cases) {
        CertificateRows rows;
        rows.fill(certificates, [](size_t) {});
        rows.narrow(filter.text);
        EXPECT_EQ(shownIds(rows), filter.ids) << filter.text;
    }
}

TEST_F(PageRows, RemovedRowsAreShownNoMoreAndTheOthersAreFoundAgainByIdentity)
{
    rows.sort(CertificateRows::SUBJECT, true);

    rows.remove({0, 2});

    EXPECT_EQ(shownIds(rows), (std::vector<size_t>{1, 0}));
    EXPECT_EQ(rows.positionsOf({0, 2, 1}), (std::vector<size_t>{0, 1}));
}

// A paste or an import adds to a page's store what the page does not show, once each.
TEST_F(PageRows, AnAdditionAddsOnlyWhatThePageDoesNotShowAndNamesWhatWasThere)
{
    crypto::MemoryStore store;
    test::PageAddition addition(store, rows);
    const crypto::CryptoCertificate &shown = certificates[2], newcomer = made("Иванов", 2083492800);
    for (const crypto::CryptoCertificate *certificate : {&shown, &newcomer, &newcomer})
        if (addition.isNew(certificate->sha1Hash(), [&] { return CertificateRows::rowOf(*certificate).subject(); }))
            addition.add(*certificate);
    EXPECT_EQ(addition.added(), 1u);
    EXPECT_EQ(addition.present(), (std::vector<std::wstring>{L"Абрамов", L"Иванов"}));

    EXPECT_EQ(test::certificateByHash(store, newcomer.sha1Hash()).sha1Hash(), newcomer.sha1Hash());
    test::deleteByHash(store, newcomer.sha1Hash());
    EXPECT_TRUE(store.enumerate().empty());
    EXPECT_THROW(test::certificateByHash(store, newcomer.sha1Hash()), crypto::CryptException);
}

} // namespace
