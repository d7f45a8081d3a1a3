// Any bytes get a verdict without a read outside them; an accepted file keeps its verdict
// when bytes are added after it; and of an accepted file, everything the loader hands the
// system (header fields, masks, colour table, pixel rows) and a colour profile its header
// names lie inside the bytes, the pixels after the masks and the table.
#include "BitmapFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

void ExpectInside(std::uint64_t begin, std::uint64_t length, std::uint64_t end) {
    if (begin > end || length > end - begin) std::abort();
}

void ExpectEverythingReadInside(const std::vector<std::uint8_t>& bytes) {
    const kx::BitmapLayout layout = kx::ReadBitmapLayout(bytes);
    const std::uint64_t size = bytes.size(), pixels = layout.PixelOffset;
    ExpectInside(14, layout.HeaderSize, size);
    if (layout.Compression == 3) ExpectInside(kx::BitmapLayout::MaskOffset, kx::BitmapLayout::MaskBytes, pixels);
    ExpectInside(layout.TableOffset(), std::uint64_t{layout.TableColors()} * layout.TableEntryBytes(), pixels);
    const std::uint64_t height = layout.Height < 0 ? -layout.Height : layout.Height;
    const std::uint64_t rows = layout.Compression == 1 || layout.Compression == 2
                                   ? layout.ImageSize
                                   : (layout.Width * std::uint64_t{layout.BitCount} + 31) / 32 * 4 * height;
    ExpectInside(pixels, rows, size);
    if (layout.HeaderSize == 124) {
        const std::uint32_t colorSpace = Read32(bytes, 14 + 56);
        if (colorSpace == 0x4C494E4B || colorSpace == 0x4D424544)  // 'LINK', 'MBED'
            ExpectInside(14 + std::uint64_t{Read32(bytes, 14 + 112)}, Read32(bytes, 14 + 116), size);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    const bool accepted = kx::BitmapFileFault(bytes).empty();
    if (!accepted) return 0;
    ExpectEverythingReadInside(bytes);
    bytes.push_back(0);
    if (!kx::BitmapFileFault(bytes).empty()) std::abort();
    return 0;
}
