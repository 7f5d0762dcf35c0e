// Crypto.cfg: the line rules, and where the program looks for the file.
#include "crypto/cryptoconfig.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using testsupport::TempDir;

namespace {

StoreConfig readText(const TempDir &dir, const std::string &text)
{
    const std::string path = dir.file("Crypto.cfg");
    std::ofstream(path, std::ios::binary) << text;
    return readCryptoConfig(std::wstring(path.begin(), path.end()));
}

void writeText(const std::filesystem::path &path, const std::string &text)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a copy of the probe program placed at `program`, with XDG_CONFIG_HOME and HOME
// pointed into `home` (Windows has no such user file); returns what it read as
// "[type]\n[name]\n".
std::string probeAt(std::filesystem::path program, const std::filesystem::path &home)
{
#ifdef _WIN32
    program += ".exe"; // what Windows starts
#endif
    std::filesystem::create_directories(program.parent_path());
    std::filesystem::copy_file(CONFIG_PROBE, program, std::filesystem::copy_options::overwrite_existing);
#ifdef _WIN32
    (void)home;
    const std::wstring command = L"cd /d C:\\ && \"" + program.wstring() + L"\"";
    FILE *pipe = _wpopen(command.c_str(), L"r");
#else
    const std::string command = "cd / && XDG_CONFIG_HOME='" + (home / "config").string() + "' HOME='" +
                                home.string() + "' '" + program.string() + "'";
    FILE *pipe = popen(command.c_str(), "r");
#endif
    std::string output;
    if (pipe) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
#ifdef _WIN32
        _pclose(pipe);
#else
        pclose(pipe);
#endif
    }
    return output;
}

} // namespace

TEST(CryptoConfigLines, KeysSetTypeAndNameWithTheirValuesAsWritten)
{
    TempDir dir;
    StoreConfig config = readText(dir, "MSCAPI.CertKeyStore.Type=File\nMSCAPI.CertKeyStore.Name = Root\n");
    EXPECT_EQ(config.type, L"File");
    EXPECT_EQ(config.name, L" Root"); // spaces around the value belong to it
}

TEST(CryptoConfigLines, AnEmptyFileOrOneOfCommentsGivesTheDefaults)
{
    TempDir dir;
    for (const char *text : {"", "# MSCAPI.CertKeyStore.Name=Root\n#\n\n"}) {
        StoreConfig config = readText(dir, text);
        EXPECT_EQ(config.type, L"System") << text;
        EXPECT_EQ(config.name, L"My") << text;
    }
}

TEST(CryptoConfigLines, OnlyAHashInTheFirstColumnMakesAComment)
{
    TempDir dir;
    EXPECT_EQ(readText(dir, " # MSCAPI.CertKeyStore.Name=Root\n").name, L"Root");
    EXPECT_EQ(readText(dir, "#MSCAPI.CertKeyStore.Name=Root\n").name, L"My");
}

TEST(CryptoConfigLines, TheLastLineWinsAndNeedsNoLineFeed)
{
    TempDir dir;
    EXPECT_EQ(readText(dir, "MSCAPI.CertKeyStore.Name=CA\r\nMSCAPI.CertKeyStore.Name=Root").name, L"Root");
}

TEST(CryptoConfigLines, LinesWithoutAnEqualsSignOrWithBothKeysFollowTheRules)
{
    TempDir dir;
    StoreConfig config = readText(dir, "MSCAPI.CertKeyStore.Name Root\n"
                                       "x=MSCAPI.CertKeyStore.Type MSCAPI.CertKeyStore.Name=file\n");
    EXPECT_EQ(config.name, L"My");   // the first line has no "=" after its key
    EXPECT_EQ(config.type, L"file"); // a line with both keys sets the type only
    // A NUL would cut the value short where it is used: the line counts for nothing.
    const char withNul[] = "MSCAPI.CertKeyStore.Name=Root\nMSCAPI.CertKeyStore.Name=/a.sst\0.txt\n";
    EXPECT_EQ(readText(dir, std::string(withNul, sizeof withNul - 1)).name, L"Root");
}

TEST(CryptoConfigLines, FilesAreReadAsWindowsWritesThem)
{
    const struct { const char *bytes; const wchar_t *type, *name; } files[] = {
        {u8"MSCAPI.CertKeyStore.Name=/home/пользователь/Хранилище.sst\n", L"System",
         L"/home/пользователь/Хранилище.sst"},
        {"\xEF\xBB\xBF#MSCAPI.CertKeyStore.Name=CA\r\nMSCAPI.CertKeyStore.Type=File\r\n", L"File", L"My"},
        // Windows-1251 for the whole file, once a byte is no UTF-8
        {"MSCAPI.CertKeyStore.Type=\xD0\xA4\nMSCAPI.CertKeyStore.Name=\xD5\xF0\xE0\xED\xE8\xEB\xE8\xF9\xE5",
         L"Р¤", L"Хранилище"},
        {"MSCAPI.CertKeyStore.Type=File\rMSCAPI.CertKeyStore.Name=Root\r", L"File", L"Root"},
    };
    TempDir dir;
    for (const auto &file : files) {
        const StoreConfig config = readText(dir, file.bytes);
        EXPECT_EQ(config.type, file.type) << file.bytes;
        EXPECT_EQ(config.name, file.name) << file.bytes;
    }
}

TEST(CryptoConfigSearch, WithoutAnyFileTheProposalIsTheSystemStoreMY)
{
    TempDir dir;
    EXPECT_EQ(probeAt(dir.path() / "a" / "b" / "bin" / "probe", dir.path() / "home"), "[System]\n[MY]\n");
}

TEST(CryptoConfigSearch, CandidatesAreTriedInOrder)
{
    TempDir dir;
    const auto program = dir.path() / "a" / "b" / "bin" / "probe";
    const auto home = dir.path() / "home";
#ifndef _WIN32
    writeText(home / "config" / "certinstall" / "Crypto.cfg", "MSCAPI.CertKeyStore.Name=FromUser\n");
    EXPECT_EQ(probeAt(program, home), "[System]\n[FromUser]\n");
#endif
    const auto third = dir.path() / "a" / "b" / "config" / "crypto.cfg";
    std::filesystem::create_directories(third); // a folder of that name is passed over
    writeText(dir.path() / "a" / "Config" / "Crypto.cfg", "MSCAPI.CertKeyStore.Name=Fourth\n");
    EXPECT_EQ(probeAt(program, home), "[System]\n[Fourth]\n");
    std::filesystem::remove(third);
    writeText(third, "MSCAPI.CertKeyStore.Name=Third\n");
    EXPECT_EQ(probeAt(program, home), "[System]\n[Third]\n");
    writeText(dir.path() / "a" / "b" / "bin" / "config" / "crypto.cfg", "MSCAPI.CertKeyStore.Name=Second\n");
    EXPECT_EQ(probeAt(program, home), "[System]\n[Second]\n");
    writeText(dir.path() / "a" / "b" / "bin" / "Crypto.cfg", "MSCAPI.CertKeyStore.Name=First\n");
    EXPECT_EQ(probeAt(program, home), "[System]\n[First]\n");
}

TEST(CryptoConfigSearch, AProgramInCyrillicFoldersFindsItsFile)
{
    TempDir dir; // the probe leaves the C++ global locale classic
    const auto program = dir.path() / std::filesystem::u8path(u8"Программа") / "bin" / "probe";
    writeText(program.parent_path() / "config" / "crypto.cfg", "MSCAPI.CertKeyStore.Name=Root\n");
    EXPECT_EQ(probeAt(program, dir.path() / "home"), "[System]\n[Root]\n");
}

#ifndef _WIN32 // Windows reaches paths this long only where long paths are enabled
TEST(CryptoConfigSearch, AProgramDeeperThanFiveHundredCharactersFindsItsFile)
{
    TempDir dir;
    const auto folder = dir.path() / std::string(120, 'a') / std::string(120, 'b') / std::string(120, 'c') /
                        std::string(120, 'd') / std::string(120, 'e');
    writeText(folder / "config" / "crypto.cfg", "MSCAPI.CertKeyStore.Name=Root\n");
    EXPECT_EQ(probeAt(folder / "bin" / "probe", dir.path() / "home"), "[System]\n[Root]\n");
}
#endif

TEST(CryptoConfigSearch, ModuleRelativePathsStepUpButNotAboveTwoComponents)
{
    const wchar_t separator = std::filesystem::path::preferred_separator;
    const std::wstring directory = moduleDirectory();
    EXPECT_EQ(directory, std::filesystem::path(CONFIG_PROBE).parent_path().wstring());
    const std::wstring config = separator + std::wstring(L"config") + separator + L"crypto.cfg";
    const std::wstring dot = L".", up = L"..";
    EXPECT_EQ(resolveModuleRelativePath(dot + config), directory + config);
    const std::wstring parent = directory.substr(0, directory.rfind(separator));
    EXPECT_EQ(resolveModuleRelativePath(up + config), parent + config);
    // However many steps up, the walk keeps the root's first folder.
    const std::wstring top = directory.substr(0, directory.find(separator, directory.find(separator) + 1));
    std::wstring steps;
    for (int i = 0; i < 12; ++i)
        steps += up + separator;
    EXPECT_EQ(resolveModuleRelativePath(steps + L"x"), top + separator + L"x");
}
