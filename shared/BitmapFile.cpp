#include "BitmapFile.h"

namespace kx {
namespace {

constexpr std::uint64_t FileHeaderSize = 14;
constexpr std::uint32_t CoreHeaderSize = 12;
constexpr std::uint32_t InfoHeaderSize = 40;
constexpr std::uint32_t V5HeaderSize = 124;
// The colour space types that name a profile: 'LINK' and 'MBED'.
constexpr std::uint32_t ProfileLinked = 0x4C494E4B, ProfileEmbedded = 0x4D424544;
// Even a bitmap without pixel bytes (a compressed one) may not claim more than this.
constexpr std::uint64_t MaxPixels = std::uint64_t{1} << 26;

enum Compression : std::uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

std::uint32_t Read(std::span<const std::uint8_t> bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

}  // namespace

BitmapLayout ReadBitmapLayout(std::span<const std::uint8_t> bytes) {
    BitmapLayout layout;
    layout.PixelOffset = Read(bytes, 10, 4);
    layout.HeaderSize = Read(bytes, 14, 4);
    layout.Core = layout.HeaderSize == CoreHeaderSize;
    if (layout.Core) {
        layout.Width = Read(bytes, 18, 2);
        layout.Height = Read(bytes, 20, 2);
        layout.Planes = Read(bytes, 22, 2);
        layout.BitCount = Read(bytes, 24, 2);
    } else {
        layout.Width = static_cast<std::int32_t>(Read(bytes, 18, 4));
        layout.Height = static_cast<std::int32_t>(Read(bytes, 22, 4));
        layout.Planes = Read(bytes, 26, 2);
        layout.BitCount = Read(bytes, 28, 2);
        layout.Compression = Read(bytes, 30, 4);
        layout.ImageSize = Read(bytes, 34, 4);
        layout.ColorsUsed = Read(bytes, 46, 4);
    }
    return layout;
}

std::string BitmapFileFault(std::span<const std::uint8_t> bytes) {
    const std::uint64_t size = bytes.size();
    if (size < FileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M') return "it is not a bitmap file";
    const std::uint32_t headerSize = Read(bytes, 14, 4);
    if (headerSize != CoreHeaderSize && headerSize != InfoHeaderSize && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != V5HeaderSize)
        return "its header is of an unknown kind";
    if (FileHeaderSize + headerSize > size) return "its header is cut short";

    const BitmapLayout layout = ReadBitmapLayout(bytes);
    const std::uint32_t pixelOffset = layout.PixelOffset, bitCount = layout.BitCount;
    const std::uint32_t compression = layout.Compression, colorsUsed = layout.ColorsUsed;
    std::int64_t width = layout.Width, height = layout.Height;
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0) return "its size is not positive";
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > MaxPixels) return "it is too large";
    if (layout.Planes != 1) return "its plane count is not 1";

    bool formatKnown = false;
    switch (compression) {
        case Rgb: formatKnown = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                                bitCount == 32; break;
        case Rle8: formatKnown = bitCount == 8 && !topDown; break;
        case Rle4: formatKnown = bitCount == 4 && !topDown; break;
        case BitFields: formatKnown = bitCount == 16 || bitCount == 32; break;
        default: break;
    }
    if (!formatKnown) return "its pixel format is not supported";

    // The masks of a plain information header and the colour table lie between header and
    // pixels: they are read from there whatever the pixel offset says.
    std::uint64_t tableEnd = layout.TableOffset();
    if (compression == BitFields && headerSize == InfoHeaderSize) tableEnd += BitmapLayout::MaskBytes;
    if (bitCount <= 8) {
        if (colorsUsed > (std::uint64_t{1} << bitCount)) return "its colour table is too long";
        tableEnd += std::uint64_t{layout.TableColors()} * layout.TableEntryBytes();
    }
    if (tableEnd > size) return "its colour table is cut short";
    if (pixelOffset > size) return "its pixel offset lies outside the file";
    if (pixelOffset < tableEnd) return "its pixels overlap its header, masks or colour table";
    if (headerSize == V5HeaderSize) {
        const std::uint32_t colorSpace = Read(bytes, FileHeaderSize + 56, 4);
        if (colorSpace == ProfileLinked || colorSpace == ProfileEmbedded) {
            // The profile's offset counts from the start of the information header.
            const std::uint64_t profile = FileHeaderSize + Read(bytes, FileHeaderSize + 112, 4);
            const std::uint64_t profileSize = Read(bytes, FileHeaderSize + 116, 4);
            if (profile < FileHeaderSize + headerSize || profile + profileSize > size)
                return "its colour profile lies outside the file";
        }
    }

    const std::uint64_t available = size - pixelOffset;
    if (compression == Rle8 || compression == Rle4) {
        if (layout.ImageSize == 0 || layout.ImageSize > available) return "its compressed pixels are cut short";
        return {};
    }
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
    if (stride * static_cast<std::uint64_t>(height) > available) return "its pixels are cut short";
    return {};
}

}  // namespace kx
