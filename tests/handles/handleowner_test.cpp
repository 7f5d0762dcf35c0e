#include "handles/handleowner.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> closed;

// Closing fails the way a real close may, leaving its own error behind.
struct CountedTraits {
    using Handle = int;
    static Handle empty() noexcept { return -1; }
    static void close(Handle handle) noexcept
    {
        closed.push_back(handle);
        SetLastError(ERROR_INVALID_HANDLE);
    }
};
using Owner = handles::HandleOwner<CountedTraits>;

TEST(HandleOwner, ClosesEachHandleOnceWhereverItWasMovedAndKeepsTheLastError)
{
    closed.clear();
    {
        Owner first(7);
        Owner second(std::move(first));
        EXPECT_FALSE(first);
        Owner third(8);
        third = std::move(second); // 8 is closed here, 7 moves on
        EXPECT_EQ(closed, std::vector<int>{8});
        EXPECT_EQ(third.get(), 7);
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    EXPECT_EQ(closed, (std::vector<int>{8, 7}));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(HandleOwner, AReleasedHandleIsNotClosed)
{
    closed.clear();
    int handle = -1;
    {
        Owner owner(9);
        handle = owner.release();
        owner.reset();
    }
    EXPECT_EQ(handle, 9);
    EXPECT_TRUE(closed.empty());
}

} // namespace
