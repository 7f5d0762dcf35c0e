#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

TEST(LastError, IsKeptPerThread)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    DWORD seenInOtherThread = 12345;
    std::thread other([&] {
        seenInOtherThread = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    });
    other.join();
    EXPECT_EQ(seenInOtherThread, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
