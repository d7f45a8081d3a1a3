#include "BitmapFile.h"

#include "BitmapBytes.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::BitmapHeader;

Bytes Bitmap(const BitmapHeader& header, std::size_t pixelBytes) { return test::BitmapFileBytes(header, pixelBytes); }

TEST(BitmapFileFault, AcceptsWholeFilesOfEveryUncompressedDepthEitherWayUp) {
    // Rows are padded to four bytes: 4 pixels of 24 bits take 12, of 1 bit still 4.
    EXPECT_EQ(BitmapFileFault(Bitmap({}, 24)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.Height = -2}, 24)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.BitCount = 1}, 8)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.BitCount = 8, .ColorsUsed = 3}, 8)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.Width = 3, .BitCount = 16}, 16)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.BitCount = 32}, 32)), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.BitCount = 8, .Compression = 1, .ImageSize = 6}, 6)), "");
}

TEST(BitmapFileFault, RejectsEveryClaimTheFileCannotBackUp) {
    EXPECT_NE(BitmapFileFault({}), "");
    EXPECT_NE(BitmapFileFault(Bytes{'B', 'M'}), "");
    Bytes text(80, 'x');
    EXPECT_NE(BitmapFileFault(text), "");
    Bytes whole = Bitmap({}, 24);
    whole.pop_back();
    EXPECT_NE(BitmapFileFault(whole), "");  // one pixel byte short
    EXPECT_NE(BitmapFileFault(Bytes(whole.begin(), whole.begin() + 30)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.Width = 60000, .Height = 60000}, 64)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.Width = -4}, 24)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.Height = 0}, 24)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.BitCount = 0}, 24)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.BitCount = 13}, 24)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.Compression = 4}, 24)), "");  // an embedded JPEG
    EXPECT_NE(BitmapFileFault(Bitmap({.InfoSize = 41}, 24)), "");
    // A compressed bitmap must state how many bytes it holds, and hold them.
    EXPECT_NE(BitmapFileFault(Bitmap({.BitCount = 8, .Compression = 1}, 6)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.BitCount = 8, .Compression = 1, .ImageSize = 7}, 6)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.Height = -2, .BitCount = 8, .Compression = 1, .ImageSize = 6}, 6)), "");
    EXPECT_NE(BitmapFileFault(Bitmap({.BitCount = 8, .ColorsUsed = 257}, 8)), "");
    Bytes pastTheEnd = Bitmap({}, 24);
    pastTheEnd[10] = static_cast<std::uint8_t>(pastTheEnd.size() + 1);
    EXPECT_NE(BitmapFileFault(pastTheEnd), "");
}

TEST(BitmapFileFault, RejectsPixelsOverlappingTheMasksOrTheColourTable) {
    // The colour table is read after the header and the masks after a plain header, wherever
    // the pixel offset points: a 64 x 64 picture of 8 bits whose 1024-byte table the pixels
    // overlap, and one of 32-bit bit fields without its masks, both with their pixels at 54.
    const Bytes overlappingTable = test::BitmapFileBytesWithoutTable({.Width = 64, .Height = 64, .BitCount = 8}, 64 * 64);
    ASSERT_EQ(ReadBitmapLayout(overlappingTable).PixelOffset, 54u);
    EXPECT_NE(BitmapFileFault(overlappingTable), "");
    const Bytes noMasks = Bitmap({.Width = 64, .Height = 64, .BitCount = 32, .Compression = 3}, 64 * 64 * 4);
    ASSERT_EQ(ReadBitmapLayout(noMasks).PixelOffset, 54u);
    EXPECT_NE(BitmapFileFault(noMasks), "");
    EXPECT_NE(BitmapFileFault(test::BitmapFileBytesWithoutTable({.BitCount = 1}, 1024)), "");

    // With the masks in place, after a plain header or inside a longer one, they are sound.
    Bytes masks = Bitmap({.Width = 64, .Height = 64, .BitCount = 32, .Compression = 3}, 12 + 64 * 64 * 4);
    masks[10] = 66;
    EXPECT_EQ(BitmapFileFault(masks), "");
    masks[10] = 62;
    EXPECT_NE(BitmapFileFault(masks), "");
    EXPECT_EQ(BitmapFileFault(Bitmap({.BitCount = 16, .Compression = 3, .InfoSize = 56}, 16)), "");
}

TEST(BitmapFileFault, AColourProfileAHeaderNamesLiesInsideTheFile) {
    Bytes linked = Bitmap({.InfoSize = 124}, 24 + 9);
    const auto put = [&](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) linked[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    // 'LINK': a file name of 9 bytes after the pixels; its offset counts from the header's start.
    put(14 + 56, 0x4C494E4B);
    put(14 + 112, static_cast<std::uint32_t>(linked.size() - 9 - 14));
    put(14 + 116, 9);
    EXPECT_EQ(BitmapFileFault(linked), "");
    put(14 + 116, 10);
    EXPECT_NE(BitmapFileFault(linked), "");
    put(14 + 116, 9);
    put(14 + 112, 0xFFFFFFF8);
    EXPECT_NE(BitmapFileFault(linked), "");
    put(14 + 56, 0x4D424544);  // 'MBED'
    EXPECT_NE(BitmapFileFault(linked), "");
    put(14 + 112, 4);  // inside the header
    EXPECT_NE(BitmapFileFault(linked), "");
    // Other colour spaces name no profile and their offset fields mean nothing.
    put(14 + 56, 0x73524742);  // 'sRGB'
    EXPECT_EQ(BitmapFileFault(linked), "");
}

}  // namespace
}  // namespace kx
