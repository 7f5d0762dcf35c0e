// The kernel file calls: creation dispositions, reading and writing through handles, the
// handle table, temporary names, moving, replacing and deleting.
#include "tempdir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

using testsupport::readFile;
using Bytes = std::vector<unsigned char>;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::wstring wide(const std::string &path) { return std::wstring(path.begin(), path.end()); } // ASCII paths

HANDLE open(const std::string &path, DWORD access, DWORD disposition)
{
    return CreateFileW(wide(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

} // namespace

TEST(FileCreation, EachDispositionOpensCreatesOrTruncatesAsDocumented)
{
    struct Case {
        DWORD disposition;
        bool present;
        DWORD error;         // the last error afterwards, success or failure
        bool opens;
        std::size_t sizeAfter; // of the file, when it is there afterwards
    };
    const Case cases[] = {
        {CREATE_NEW, false, ERROR_SUCCESS, true, 0},          {CREATE_NEW, true, ERROR_FILE_EXISTS, false, 3},
        {CREATE_ALWAYS, false, ERROR_SUCCESS, true, 0},       {CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, true, 0},
        {OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, false, 0}, {OPEN_EXISTING, true, ERROR_SUCCESS, true, 3},
        {OPEN_ALWAYS, false, ERROR_SUCCESS, true, 0},         {OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, true, 3},
        {TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, false, 0}, {TRUNCATE_EXISTING, true, ERROR_SUCCESS, true, 0},
    };
    for (const Case &c : cases) {
        TempDir dir;
        const std::string path = dir.file("file");
        if (c.present)
            writeFile(path, {1, 2, 3});
        SetLastError(0xDEAD);
        HANDLE file = open(path, GENERIC_READ | GENERIC_WRITE, c.disposition);
        const DWORD error = GetLastError();
        SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << (c.present ? ", present" : ", absent"));
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(error, c.error);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        if (c.opens || c.present) {
            EXPECT_EQ(readFile(path).size(), c.sizeAfter);
        }
    }
}

TEST(FileHandles, WrittenBytesReadBackWithTheirSizeAndReadingStopsAtTheEnd)
{
    TempDir dir;
    HANDLE out = open(dir.file("data"), GENERIC_WRITE, CREATE_NEW);
    DWORD count = 0;
    char buffer[8] = {};
    ASSERT_TRUE(WriteFile(out, "hello", 5, &count, nullptr));
    EXPECT_EQ(count, 5u);
    EXPECT_TRUE(FlushFileBuffers(out));
    EXPECT_FALSE(ReadFile(out, buffer, sizeof buffer, &count, nullptr)); // opened for writing only
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(CloseHandle(out));

    HANDLE in = open(dir.file("data"), GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size{};
    ASSERT_TRUE(GetFileSizeEx(in, &size));
    EXPECT_EQ(size.QuadPart, 5);
    ASSERT_TRUE(ReadFile(in, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "hello");
    ASSERT_TRUE(ReadFile(in, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(CloseHandle(in));
}

TEST(FileHandles, ForeignAndClosedHandlesAreRefusedWithoutBeingRead)
{
    TempDir dir;
    HANDLE closed = open(dir.file("f"), GENERIC_WRITE, CREATE_NEW);
    ASSERT_TRUE(CloseHandle(closed));
    int local = 0;
    for (HANDLE h : {HANDLE(nullptr), INVALID_HANDLE_VALUE, HANDLE(&local), closed}) {
        DWORD count = 0;
        EXPECT_FALSE(WriteFile(h, "x", 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(CloseHandle(h));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(FileHandles, AHandleWithoutSharingKeepsTheFileToItselfUntilClosed)
{
    TempDir dir;
    const std::string path = dir.file("held");
    HANDLE held = CreateFileW(wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(held, "abc", 3, &count, nullptr));
    const std::pair<const char *, BOOL> attempts[] = {
        {"open", open(path, GENERIC_READ, OPEN_EXISTING) != INVALID_HANDLE_VALUE},
        {"truncate", open(path, GENERIC_WRITE, CREATE_ALWAYS) != INVALID_HANDLE_VALUE},
        {"delete", DeleteFileW(wide(path).c_str())},
        {"move", MoveFileExW(wide(path).c_str(), wide(dir.file("moved")).c_str(), 0)},
    };
    for (const auto &[what, done] : attempts)
        EXPECT_FALSE(done) << what;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(readFile(path).size(), 3u);
    ASSERT_TRUE(CloseHandle(held));
    EXPECT_TRUE(DeleteFileW(wide(path).c_str()));
}

TEST(FileCreation, AnythingButAFileIsRefusedAtOnce)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder"));
    const std::pair<std::string, DWORD> cases[] = {
        {dir.file("fifo"), ERROR_NOT_SUPPORTED}, {"/dev/null", ERROR_NOT_SUPPORTED},
        {dir.file("folder"), ERROR_ACCESS_DENIED}};
    for (const auto &[path, error] : cases)
        for (DWORD access : {DWORD(GENERIC_READ), DWORD(GENERIC_WRITE)}) {
            // In a child, so that an open that blocks fails the test instead of hanging it.
            const pid_t child = fork();
            if (child == 0) {
                alarm(20);
                _exit(open(path, access, OPEN_EXISTING) == INVALID_HANDLE_VALUE && GetLastError() == error ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path << " access " << std::hex << access;
        }
}

TEST(TemporaryFiles, EachCallCreatesANewEmptyFileNamedAfterThePrefix)
{
    TempDir dir;
    wchar_t first[MAX_PATH], second[MAX_PATH];
    const UINT a = GetTempFileNameW(wide(dir.path().string()).c_str(), L"sstore", 0, first);
    const UINT b = GetTempFileNameW(wide(dir.path().string()).c_str(), L"sstore", 0, second);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(std::wstring(first), std::wstring(second));
    wchar_t expected[32];
    swprintf(expected, 32, L"/sst%X.TMP", a);
    EXPECT_EQ(std::wstring(first), wide(dir.path().string()) + expected);
    const std::string path(first, first + wcslen(first));
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    EXPECT_EQ(GetTempFileNameW(wide(dir.file("missing")).c_str(), L"x", 0, first), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FileNames, MoveReplacesOnlyWhenAskedAndDeleteRemovesFilesOnly)
{
    TempDir dir;
    const std::string from = dir.file("from"), to = dir.file("to");
    writeFile(from, {1});
    writeFile(to, {2});
    EXPECT_FALSE(MoveFileExW(wide(from).c_str(), wide(to).c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(readFile(to), std::vector<unsigned char>{2});
    EXPECT_TRUE(MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(readFile(to), std::vector<unsigned char>{1});
    EXPECT_FALSE(MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    EXPECT_TRUE(DeleteFileW(wide(to).c_str()));
    EXPECT_FALSE(std::filesystem::exists(to));
    EXPECT_FALSE(DeleteFileW(wide(to).c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(wide(dir.file("no/such")).c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(wide(dir.path().string()).c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(FileNames, ReplaceGivesTheNewFileTheOldOnesPlaceAndPermissionsOrChangesNothing)
{
    TempDir dir;
    const std::wstring old = wide(dir.file("old")), replacement = wide(dir.file("new")),
                       backup = wide(dir.file("backup")), missing = wide(dir.file("missing"));
    writeFile(dir.file("old"), {1});
    chmod(dir.file("old").c_str(), 0640);
    writeFile(dir.file("new"), {2});
    EXPECT_FALSE(ReplaceFileW(old.c_str(), replacement.c_str(), nullptr, 0x100, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(ReplaceFileW(missing.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(ReplaceFileW(old.c_str(), replacement.c_str(), backup.c_str(), REPLACEFILE_WRITE_THROUGH, nullptr,
                             nullptr));
    EXPECT_EQ(readFile(dir.file("old")), Bytes{2});
    EXPECT_EQ(std::filesystem::status(dir.file("old")).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(readFile(dir.file("backup")), Bytes{1});
    EXPECT_FALSE(std::filesystem::exists(dir.file("new")));
}
