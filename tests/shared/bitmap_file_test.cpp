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

}  // namespace
}  // namespace kx
