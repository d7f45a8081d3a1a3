#include "BitmapFile.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Header {
    std::int32_t Width = 4, Height = 2;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0, ImageSize = 0, ColorsUsed = 0;
    std::uint32_t InfoSize = 40;
};

void Put(Bytes& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// File and information headers, the colour table the bit count implies, then pixel bytes.
Bytes Bitmap(const Header& h, std::size_t pixelBytes) {
    const std::size_t table = h.BitCount <= 8 ? (h.ColorsUsed ? h.ColorsUsed : 1u << h.BitCount) * 4 : 0;
    const std::size_t offset = 14 + h.InfoSize + table;
    Bytes bytes(offset + pixelBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 10, static_cast<std::uint32_t>(offset), 4);
    Put(bytes, 14, h.InfoSize, 4);
    Put(bytes, 18, static_cast<std::uint32_t>(h.Width), 4);
    Put(bytes, 22, static_cast<std::uint32_t>(h.Height), 4);
    Put(bytes, 26, 1, 2);
    Put(bytes, 28, h.BitCount, 2);
    Put(bytes, 30, h.Compression, 4);
    Put(bytes, 34, h.ImageSize, 4);
    Put(bytes, 46, h.ColorsUsed, 4);
    return bytes;
}

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
    Put(pastTheEnd, 10, static_cast<std::uint32_t>(pastTheEnd.size() + 1), 4);
    EXPECT_NE(BitmapFileFault(pastTheEnd), "");
}

}  // namespace
}  // namespace kx
