#include "BitmapBytes.h"

namespace kx::test {
namespace {

void Put(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::size_t PixelOffset(const BitmapHeader& h) {
    const std::size_t table = h.BitCount <= 8 ? (h.ColorsUsed ? h.ColorsUsed : 1u << h.BitCount) * 4 : 0;
    return 14 + h.InfoSize + table;
}

std::vector<std::uint8_t> BitmapFileBytes(const BitmapHeader& h, std::size_t pixelBytes) {
    const std::size_t offset = PixelOffset(h);
    std::vector<std::uint8_t> bytes(offset + pixelBytes, 0);
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

std::vector<std::uint8_t> BitmapFileBytesWithoutTable(const BitmapHeader& h, std::size_t pixelBytes) {
    std::vector<std::uint8_t> bytes = BitmapFileBytes(h, pixelBytes);
    const std::size_t tableOffset = 14 + h.InfoSize;
    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(tableOffset),
                bytes.begin() + static_cast<std::ptrdiff_t>(PixelOffset(h)));
    Put(bytes, 2, static_cast<std::uint32_t>(bytes.size()), 4);
    Put(bytes, 10, static_cast<std::uint32_t>(tableOffset), 4);
    return bytes;
}

}  // namespace kx::test
