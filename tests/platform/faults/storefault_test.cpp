// A commit whose writing fails at any step leaves the old file whole and says so; a
// process killed while committing leaves the old file or the new one, never a broken one,
// and its temporary file goes at the next commit.
#include "filefaults.h"
#include "storehelpers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

using namespace storetest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

struct Fault {
    const char *what;
    filefaults::Call call;
    int error;
    std::size_t bytesBefore;
    DWORD reported;
};

const Fault kFaults[] = {
    {"the temporary file cannot be made", filefaults::Call::CreateTemporary, ENOSPC, 0, ERROR_DISK_FULL},
    {"writing fails", filefaults::Call::Write, EIO, 0, ERROR_WRITE_FAULT},
    {"the disk fills up halfway", filefaults::Call::Write, ENOSPC, 700, ERROR_DISK_FULL},
    {"flushing fails", filefaults::Call::Flush, EIO, 0, ERROR_WRITE_FAULT},
    {"closing fails", filefaults::Call::Close, EIO, 0, ERROR_WRITE_FAULT},
    {"renaming fails", filefaults::Call::Rename, EACCES, 0, ERROR_ACCESS_DENIED},
};

// Files beside the store file "s.sst" other than it and its lock.
size_t temporariesIn(const TempDir &dir)
{
    size_t count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        count += entry.path().filename() != "s.sst" && entry.path().filename() != ".s.lock";
    return count;
}

// Store file with one certificate; a second one added but not yet written.
class FailingCommit : public ::testing::TestWithParam<Fault> {
protected:
    void SetUp() override
    {
        path = dir.file("s.sst");
        old = storeFile({element({}, testsupport::makeNumberedCertificate(1))});
        writeFile(path, old);
        store = openFile(path);
        ASSERT_TRUE(store);
        added = create(testsupport::makeNumberedCertificate(2));
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), added.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    }
    void TearDown() override { filefaults::clear(); }

    TempDir dir;
    std::string path;
    Bytes old;
    StoreHandle store;
    Context added;
};

} // namespace

TEST_P(FailingCommit, LeavesTheOldFileWholeAndReportsIt)
{
    const Fault &fault = GetParam();
    filefaults::failNext(fault.call, fault.error, fault.bytesBefore);
    SetLastError(0);
    EXPECT_FALSE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr)) << fault.what;
    EXPECT_EQ(GetLastError(), fault.reported) << fault.what;
    EXPECT_EQ(readFile(path), old) << fault.what;
    EXPECT_EQ(temporariesIn(dir), 0u) << fault.what << ": a temporary file was left behind";

    // Nothing was lost: once the disk works again the change is written.
    filefaults::clear();
    ASSERT_TRUE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    StoreHandle reread = openFile(path, CERT_STORE_READONLY_FLAG);
    EXPECT_EQ(encodings(reread.get()).size(), 2u);
}

TEST_P(FailingCommit, OnCloseMakesTheCloseFail)
{
    const Fault &fault = GetParam();
    filefaults::failNext(fault.call, fault.error, fault.bytesBefore);
    EXPECT_FALSE(CertCloseStore(store.release(), 0)) << fault.what;
    EXPECT_EQ(GetLastError(), fault.reported) << fault.what;
    EXPECT_EQ(readFile(path), old) << fault.what;
}

INSTANTIATE_TEST_SUITE_P(EachStep, FailingCommit, ::testing::ValuesIn(kFaults));

TEST(KilledCommit, LeavesTheOldOrTheNewFile)
{
    TempDir dir;
    const std::string path = dir.file("s.sst");
    // A store big enough that a commit takes a while to write.
    std::vector<Bytes> ders;
    for (unsigned i = 0; i < 400; ++i)
        ders.push_back(testsupport::makeNumberedCertificate(1000 + i));
    {
        StoreHandle store = openFile(path);
        for (const Bytes &der : ders) {
            Context c = create(der);
            ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
        }
    }
    const Bytes extra = testsupport::makeNumberedCertificate(5000);
    size_t before = ders.size();
    for (int round = 0; round < 12; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Adds and removes one certificate, committing each time, until killed.
            HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, 0,
                                             std::wstring(path.begin(), path.end()).c_str());
            PCCERT_CONTEXT c = CertCreateCertificateContext(X509_ASN_ENCODING, extra.data(),
                                                            static_cast<DWORD>(extra.size()));
            while (true) {
                PCCERT_CONTEXT stored = nullptr;
                CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, &stored);
                CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
                CertDeleteCertificateFromStore(stored);
                CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr);
            }
        }
        usleep(static_cast<useconds_t>(3000 + round * 1700));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        StoreHandle store = openFile(path, CERT_STORE_READONLY_FLAG);
        ASSERT_TRUE(store) << "round " << round << ": the file is damaged";
        // The child's last commit either reached the file or it did not.
        const size_t count = encodings(store.get()).size();
        EXPECT_TRUE(count == before || count == before + 1) << "round " << round << ": " << count;
        before = count;
    }
    // What the killed commits left is removed by the next one.
    StoreHandle store = openFile(path);
    Context c = create(extra);
    ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    ASSERT_TRUE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    EXPECT_EQ(temporariesIn(dir), 0u);
}
