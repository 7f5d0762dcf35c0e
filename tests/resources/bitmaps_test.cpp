// The program's bitmaps load by their resource names, at their sizes, with the
// background masked; the files are 8-bit palette BMPs that the resource script names.
#include "guitest.h"

#include "resources/bitmaps.h"
#include "resources/programicon.h"
#include "resources/resource.h"

#include <wx/image.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>

namespace {

struct Picture {
    const wchar_t *name;
    int width;
    int height;
};

const Picture kPictures[] = {
    {IDB_NEW, 15, 15},     {IDB_COPY, 16, 15},    {IDB_PASTE, 16, 15},
    {IDB_DELETE, 16, 15},  {IDB_IMPORT, 16, 15},  {IDB_EXPORT, 16, 15},  {IDB_PREVIEW, 16, 15},
    {IDB_CUT, 16, 15},     {IDB_OPEN, 16, 15},    {IDB_OPEN_OLD, 16, 15},
};

// name → file, as the resource script has it.
std::map<std::string, std::string> scriptEntries()
{
    std::ifstream in(RESOURCES_DIR "/certinstall.rc");
    std::map<std::string, std::string> entries;
    const std::regex line(R"(^\s*(IDB_\w+)\s+BITMAP\s+"([^"]+)\")");
    for (std::string text; std::getline(in, text);) {
        std::smatch match;
        if (std::regex_search(text, match, line))
            entries[match[1]] = match[2];
    }
    return entries;
}

std::uint32_t littleEndian(const std::string &bytes, size_t at, size_t count)
{
    std::uint32_t value = 0;
    for (size_t i = count; i-- > 0;)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

class Bitmaps : public guitest::GuiTest {};

TEST_F(Bitmaps, LoadByResourceNameAtTheirSizes)
{
    for (const Picture &picture : kPictures) {
        const wxBitmap bitmap = loadBitmap(picture.name);
        ASSERT_TRUE(bitmap.IsOk()) << wxString(picture.name);
        EXPECT_EQ(bitmap.GetSize(), wxSize(picture.width, picture.height)) << wxString(picture.name);
    }
}

TEST_F(Bitmaps, MaskTheLightGreyBackground)
{
    for (const Picture &picture : kPictures) {
        const wxImage image = loadBitmap(picture.name).ConvertToImage();
        ASSERT_TRUE(image.HasMask()) << wxString(picture.name);
        // Every picture leaves its bottom left corner or its top right corner empty ...
        EXPECT_TRUE(image.IsTransparent(0, image.GetHeight() - 1) || image.IsTransparent(image.GetWidth() - 1, 0))
            << wxString(picture.name);
        // ... and the drawing itself stays.
        int opaque = 0;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                opaque += image.IsTransparent(x, y) ? 0 : 1;
        EXPECT_GT(opaque, image.GetWidth() * image.GetHeight() / 5) << wxString(picture.name);
    }
}

TEST_F(Bitmaps, TheProgramIconComesInTheSizesOfTitleAndTaskBarsWithATransparentCorner)
{
    const wxIconBundle icons = programIcons();
    ASSERT_EQ(icons.GetIconCount(), 6u);
    for (int size : {16, 24, 32, 48, 64, 128}) {
        const wxIcon icon = icons.GetIconOfExactSize(size);
        ASSERT_TRUE(icon.IsOk()) << size;
        const wxImage image = wxBitmap(icon).ConvertToImage();
        EXPECT_TRUE(image.IsTransparent(size - 1, 0)) << size;
        EXPECT_FALSE(image.IsTransparent(size / 2, size / 2)) << size;
    }
}

TEST_F(Bitmaps, AnUnknownNameGivesNoBitmap)
{
    EXPECT_FALSE(loadBitmap(L"IDB_NONE").IsOk());
}

TEST_F(Bitmaps, TheResourceScriptNamesAnEightBitPaletteFileForEachName)
{
    const auto entries = scriptEntries();
    ASSERT_EQ(entries.size(), std::size(kPictures));
    for (const Picture &picture : kPictures) {
        const std::string name = wxString(picture.name).ToStdString();
        const auto entry = entries.find(name);
        ASSERT_NE(entry, entries.end()) << name;
        std::ifstream file(RESOURCES_DIR "/" + entry->second, std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        const std::string bytes = content.str();
        ASSERT_GE(bytes.size(), 54u) << entry->second;
        EXPECT_EQ(bytes.substr(0, 2), "BM") << entry->second;
        EXPECT_EQ(littleEndian(bytes, 18, 4), static_cast<std::uint32_t>(picture.width)) << entry->second;
        EXPECT_EQ(littleEndian(bytes, 22, 4), static_cast<std::uint32_t>(picture.height)) << entry->second;
        EXPECT_EQ(littleEndian(bytes, 28, 2), 8u) << entry->second;    // bits per pixel
        EXPECT_EQ(littleEndian(bytes, 46, 4), 256u) << entry->second;  // palette entries
    }
}

} // namespace
