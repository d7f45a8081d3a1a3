#include "Bitmap.h"

#include "BitmapBytes.h"
#include "Scoped.h"
#include "TempDir.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace kx::ui {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BitmapHeader;

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every byte from the colour table on gets a value of its own, so that a pixel, palette entry
// or row read from the wrong place shows as a wrong colour.
Bytes Patterned(const BitmapHeader& header, std::size_t pixelBytes) {
    Bytes bytes = test::BitmapFileBytes(header, pixelBytes);
    for (std::size_t i = 14 + header.InfoSize; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return bytes;
}

std::vector<COLORREF> PixelsOf(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    std::vector<COLORREF> pixels;
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const SelectedObject chosen(dc.get(), bitmap);
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
    return pixels;
}

std::vector<COLORREF> LoadedPixels(const Bytes& file) {
    test::TempDir dir;
    return PixelsOf(Bitmap::LoadFromFile(dir.WriteBytes("picture.bmp", file))->Handle());
}

std::vector<COLORREF> DrawnPixels(const Bitmap& picture) {
    const auto canvas = Bitmap::Create(picture.Width(), picture.Height(), RGB(1, 2, 3));
    {
        const MemoryDc dc(CreateCompatibleDC(nullptr));
        const SelectedObject chosen(dc.get(), canvas->Handle());
        picture.Draw(dc.get(), RECT{0, 0, picture.Width(), picture.Height()});
    }
    return PixelsOf(canvas->Handle());
}

// The pixels a first draw shows, before anything asks the picture for its handle.
std::vector<COLORREF> DrawnPixels(const Bytes& file) {
    test::TempDir dir;
    return DrawnPixels(*Bitmap::LoadFromFile(dir.WriteBytes("picture.bmp", file)));
}

// The system's own file loader is the reference, for the bitmap made of a file and for a draw
// from the file itself. How a channel of fewer than eight bits is widened differs between
// systems: maxDifference allows for that and for nothing more.
void ExpectSamePixelsAsTheSystemLoader(const Bytes& file, const char* what, int maxDifference = 0) {
    SCOPED_TRACE(what);
    test::TempDir dir;
    const std::string path = dir.WriteBytes("picture.bmp", file);
    const GdiObject<HBITMAP> reference(static_cast<HBITMAP>(
        LoadImageW(nullptr, ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
    ASSERT_TRUE(reference);
    const std::vector<COLORREF> expected = PixelsOf(reference.get());
    for (const auto& [how, pixels] : {std::pair{"loaded", LoadedPixels(file)}, std::pair{"drawn", DrawnPixels(file)}}) {
        SCOPED_TRACE(how);
        ASSERT_EQ(pixels.size(), expected.size());
        int wrong = 0;
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const int difference = std::max({std::abs(GetRValue(pixels[i]) - GetRValue(expected[i])),
                                             std::abs(GetGValue(pixels[i]) - GetGValue(expected[i])),
                                             std::abs(GetBValue(pixels[i]) - GetBValue(expected[i]))});
            if (difference > maxDifference && wrong++ < 3)
                ADD_FAILURE() << "pixel " << i << ": " << std::hex << pixels[i] << " against " << expected[i];
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(BitmapLoading, GivesThePixelsOfEveryDepthAsTheSystemDoes) {
    // Widths that leave padding at the end of every row.
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 5, .Height = 3}, 16 * 3), "24 bits, bottom up");
    // Larger than a file read whole: mapped.
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 150, .Height = 160}, 452 * 160), "24 bits, mapped");
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 3, .Height = 2, .BitCount = 32}, 12 * 2), "32 bits");
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 3, .Height = 2, .BitCount = 16}, 8 * 2), "16 bits", 7);
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 9, .Height = 2, .BitCount = 1}, 4 * 2), "1 bit");
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 7, .Height = 2, .BitCount = 4}, 4 * 2), "4 bits");
    ExpectSamePixelsAsTheSystemLoader(Patterned({.Width = 6, .Height = 3, .BitCount = 8}, 8 * 3), "8 bits");
}

TEST(BitmapLoading, ATopDownFileGivesThePictureOfItsBottomUpTwin) {
    // Five pixels of 24 bits take 15 bytes, padded to 16 per row.
    const Bytes bottomUp = Patterned({.Width = 5, .Height = 3}, 16 * 3);
    Bytes topDown = bottomUp;
    Put(topDown, 22, static_cast<std::uint32_t>(-3), 4);
    const std::size_t pixels = test::PixelOffset({});
    for (int row = 0; row < 3; ++row)
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>(pixels + 16 * (2 - row)), 16,
                    topDown.begin() + static_cast<std::ptrdiff_t>(pixels + 16 * row));
    EXPECT_EQ(LoadedPixels(topDown), LoadedPixels(bottomUp));
    EXPECT_EQ(DrawnPixels(topDown), LoadedPixels(bottomUp));
}

TEST(BitmapLoading, APictureDrawnFromItsFileLeavesTheFileFreeToGo) {
    test::TempDir dir;
    const Bytes file = Patterned({.Width = 150, .Height = 160}, 452 * 160);  // mapped, not read
    const std::string path = dir.WriteBytes("picture.bmp", file);
    const auto picture = Bitmap::LoadFromFile(path);
    const std::vector<COLORREF> before = DrawnPixels(*picture);
    // An uninstaller removes the skin of a launcher that is still running.
    EXPECT_TRUE(DeleteFileW(ToWide(path).c_str())) << GetLastError();
    EXPECT_EQ(DrawnPixels(*picture), before);
    EXPECT_EQ(PixelsOf(picture->Handle()), before);
}

TEST(BitmapLoading, ReadsShortColourTablesMasksLongHeadersAndRunLengths) {
    // A table of four colours: pixel values index only those.
    Bytes shortTable = Patterned({.Width = 4, .Height = 2, .BitCount = 8, .ColorsUsed = 4}, 8);
    for (std::size_t i = test::PixelOffset({.BitCount = 8, .ColorsUsed = 4}); i < shortTable.size(); ++i)
        shortTable[i] &= 3;
    ExpectSamePixelsAsTheSystemLoader(shortTable, "a short colour table");

    // 5-6-5 masks after a plain header, then the same in a version 5 header.
    const std::uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    Bytes plainMasks = test::BitmapFileBytes({.Width = 3, .Height = 2, .BitCount = 16, .Compression = 3}, 12 + 8 * 2);
    for (int i = 0; i < 3; ++i) Put(plainMasks, 54 + 4 * i, masks[i], 4);
    for (std::size_t i = 66; i < plainMasks.size(); ++i) plainMasks[i] = static_cast<std::uint8_t>(i * 53);
    Put(plainMasks, 10, 66, 4);
    ExpectSamePixelsAsTheSystemLoader(plainMasks, "masks after a plain header", 7);
    Bytes longHeader =
        test::BitmapFileBytes({.Width = 3, .Height = 2, .BitCount = 16, .Compression = 3, .InfoSize = 124}, 8 * 2);
    for (int i = 0; i < 3; ++i) Put(longHeader, 54 + 4 * i, masks[i], 4);
    for (std::size_t i = 14 + 124; i < longHeader.size(); ++i) longHeader[i] = static_cast<std::uint8_t>(i * 53);
    ExpectSamePixelsAsTheSystemLoader(longHeader, "masks in a version 5 header", 7);

    // Runs, a literal stretch, an end of line and the end of the bitmap.
    const Bytes runs = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 4, 3, 0, 1};
    Bytes runLength = Patterned({.Width = 7, .Height = 2, .BitCount = 8, .Compression = 1,
                                 .ImageSize = static_cast<std::uint32_t>(runs.size()), .ColorsUsed = 4},
                                runs.size());
    std::copy(runs.begin(), runs.end(), runLength.end() - static_cast<std::ptrdiff_t>(runs.size()));
    ExpectSamePixelsAsTheSystemLoader(runLength, "8-bit run lengths");
}

TEST(BitmapLoading, ReadsTheOldCoreHeaderWithItsThreeByteColours) {
    // 14 + 12 header bytes, 16 three-byte colours, two rows of 3 four-bit pixels (4 bytes each).
    Bytes core(14 + 12 + 16 * 3 + 8);
    core[0] = 'B';
    core[1] = 'M';
    Put(core, 2, static_cast<std::uint32_t>(core.size()), 4);
    Put(core, 10, 14 + 12 + 16 * 3, 4);
    Put(core, 14, 12, 4);
    Put(core, 18, 3, 2);
    Put(core, 20, 2, 2);
    Put(core, 22, 1, 2);
    Put(core, 24, 4, 2);
    for (std::size_t i = 26; i < core.size(); ++i) core[i] = static_cast<std::uint8_t>(i * 29 + 5);
    ExpectSamePixelsAsTheSystemLoader(core, "core header");
}

}  // namespace
}  // namespace kx::ui
