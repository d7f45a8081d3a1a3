// Bitmap files byte by byte, sound or lying about themselves, for the tests of their loading.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kx::test {

struct BitmapHeader {
    std::int32_t Width = 4, Height = 2;
    std::uint16_t BitCount = 24;
    std::uint32_t Compression = 0, ImageSize = 0, ColorsUsed = 0;
    std::uint32_t InfoSize = 40;
};

// File and information headers, the zeroed colour table the bit count implies, then as many
// zero pixel bytes as asked for; the pixels start at PixelOffset.
std::vector<std::uint8_t> BitmapFileBytes(const BitmapHeader& header, std::size_t pixelBytes);
std::size_t PixelOffset(const BitmapHeader& header);
// The same file without its colour table, its pixel offset pointing right after the
// information header: the table it claims overlaps the pixels.
std::vector<std::uint8_t> BitmapFileBytesWithoutTable(const BitmapHeader& header, std::size_t pixelBytes);

}  // namespace kx::test
