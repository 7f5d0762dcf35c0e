#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::wstring programFileName()
{
    wchar_t buffer[4096] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 4096);
    return std::wstring(buffer, length);
}

std::string utf8(const std::wstring &text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

} // namespace

TEST(ProgramModule, HandleOfTheProgramIsNotNull) { EXPECT_NE(GetModuleHandleW(nullptr), nullptr); }

TEST(ProgramModule, FileNameIsTheRunningExecutable)
{
    const std::wstring path = programFileName();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), L'/');
    EXPECT_TRUE(std::filesystem::equivalent(utf8(path), "/proc/self/exe"));
}

TEST(ProgramModule, ProgramHandleGivesTheSameFileNameAsNull)
{
    wchar_t buffer[4096] = {};
    const DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, 4096);
    EXPECT_EQ(std::wstring(buffer, length), programFileName());
}

TEST(ProgramModule, ProgramIsFoundByItsFileName)
{
    const std::wstring path = programFileName();
    const std::wstring name = path.substr(path.rfind(L'/') + 1);
    EXPECT_EQ(GetModuleHandleW(name.c_str()), GetModuleHandleW(nullptr));
}

TEST(ProgramModule, UnknownModuleNameIsNotFound)
{
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleHandleW(L"no-such-module.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ProgramModule, OtherModuleHandleHasNoFileName)
{
    int notAModule = 0;
    wchar_t buffer[64];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(&notAModule), buffer, 64), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(ProgramModuleTruncation, ShortBufferGetsTheStartOfThePathAndAZero)
{
    const std::wstring path = programFileName();
    wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 5), 5u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::wstring(buffer), path.substr(0, 4));
}

TEST(ProgramModuleTruncation, BufferWithoutRoomForTheZeroIsTooSmall)
{
    const std::wstring path = programFileName();
    std::wstring buffer(path.size(), L'#');
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size())), buffer.size());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer.c_str(), path.substr(0, path.size() - 1));
}

TEST(ProgramModuleTruncation, BufferWithRoomForTheZeroHoldsThePath)
{
    const std::wstring path = programFileName();
    std::wstring buffer(path.size() + 1, L'#');
    EXPECT_EQ(GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size())), path.size());
    EXPECT_EQ(buffer.c_str(), path);
}
