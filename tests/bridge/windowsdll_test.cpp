// The bridge as cross-built for 32-bit Windows: a DLL a 32-bit Java virtual machine can
// load on its own, exporting its __stdcall native methods under their plain JNI names.
#include "exportnames.h"
#include "peimage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

const PeImage &dll()
{
    static const PeImage image = readPeImage(QUORBEL_DLL);
    return image;
}

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

TEST(WindowsDll, IsA32BitX86Image)
{
    EXPECT_EQ(dll().machine, 0x14C);
    EXPECT_EQ(dll().optionalMagic, 0x10B);
}

TEST(WindowsDll, ExportsExactlyTheTenNativeMethodsUnderPlainNames)
{
    const std::vector<std::string> &names = dll().exportedNames;

    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), nativeMethodNames());
}

TEST(WindowsDll, ExportsNothingWithoutAName)
{
    EXPECT_EQ(dll().exportedFunctions, nativeMethodNames().size());
}

TEST(WindowsDll, ImportsOnlyFromWindowsItself)
{
    const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll"};
    for (const std::string &imported : dll().importedDlls)
        EXPECT_TRUE(system.count(lowerCase(imported))) << imported << " does not come with Windows";
}
