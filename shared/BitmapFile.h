// A check of a bitmap file's bytes before the platform's loader sees them: the loader trusts
// the headers and reads past the end of a file that claims more than it holds.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kx {

// Empty when the headers, the masks, the colour table, a referenced colour profile and the
// pixels all fit the file, the pixels after the table; otherwise why not.
std::string BitmapFileFault(std::span<const std::uint8_t> bytes);

// A bitmap file's header fields, the old core header's in the information header's terms.
struct BitmapLayout {
    std::uint32_t PixelOffset = 0;
    std::uint32_t HeaderSize = 0;
    bool Core = false;  // the old header: three bytes a colour
    std::int64_t Width = 0, Height = 0;  // a negative height: the rows run top down
    std::uint32_t Planes = 0, BitCount = 0, Compression = 0, ImageSize = 0, ColorsUsed = 0;

    // Bit fields have three masks at this offset: after a plain information header, inside a longer one.
    static constexpr std::uint64_t MaskOffset = 14 + 40;
    static constexpr std::uint64_t MaskBytes = 12;

    std::uint64_t TableOffset() const { return 14 + std::uint64_t{HeaderSize}; }
    std::uint32_t TableColors() const { return BitCount > 8 ? 0 : ColorsUsed ? ColorsUsed : 1u << BitCount; }
    std::uint32_t TableEntryBytes() const { return Core ? 3 : 4; }
};

// Reads the fields; the file header and an information header of a known size must be whole,
// which BitmapFileFault checks first.
BitmapLayout ReadBitmapLayout(std::span<const std::uint8_t> bytes);

}  // namespace kx
