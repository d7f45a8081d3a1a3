#include "Bitmap.h"

#include "BitmapFile.h"
#include "Os.h"
#include "Text.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace kx::ui {

namespace {

// The pixels of a checked bitmap file in a DIB section of the file's own depth. The system's
// file loader would open and read the file once more, and it costs far more than the copy.
HBITMAP SectionFromFileBytes(const std::vector<std::uint8_t>& bytes) {
    const BitmapLayout layout = ReadBitmapLayout(bytes);

    // Built from the checked fields alone: the system reads as many masks and colours as the
    // header it is given implies, so the file's own header bytes never reach it.
    struct Info {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } section{};
    BITMAPINFOHEADER& h = section.header;
    h.biSize = sizeof h;
    h.biPlanes = 1;
    h.biWidth = static_cast<LONG>(layout.Width);
    // The copy below turns a top-down file the right way up.
    h.biHeight = static_cast<LONG>(layout.Height < 0 ? -layout.Height : layout.Height);
    h.biBitCount = static_cast<WORD>(layout.BitCount);
    h.biClrUsed = layout.TableColors();
    // Run-length pixels are unpacked into the section; bit fields keep their masks, which follow
    // a plain header and are the next fields of a longer one.
    h.biCompression = layout.Compression == BI_BITFIELDS ? BI_BITFIELDS : BI_RGB;
    if (h.biCompression == BI_BITFIELDS)
        std::memcpy(section.colors, bytes.data() + BitmapLayout::MaskOffset, BitmapLayout::MaskBytes);
    for (std::uint32_t i = 0; i < h.biClrUsed; ++i) {
        const std::size_t at = layout.TableOffset() + i * layout.TableEntryBytes();
        section.colors[i] = RGBQUAD{bytes[at], bytes[at + 1], bytes[at + 2], 0};
    }

    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&section), DIB_RGB_COLORS, &bits,
                                      nullptr, 0);
    if (!handle) return nullptr;
    // The file's pixels as they lie: its row order, and its runs with their checked length.
    Info file = section;
    file.header.biHeight = static_cast<LONG>(layout.Height);
    file.header.biCompression = layout.Compression;
    if (layout.Compression == BI_RLE8 || layout.Compression == BI_RLE4) file.header.biSizeImage = layout.ImageSize;
    HDC dc = CreateCompatibleDC(nullptr);
    const int copied = SetDIBits(dc, handle, 0, static_cast<UINT>(h.biHeight), bytes.data() + layout.PixelOffset,
                                 reinterpret_cast<const BITMAPINFO*>(&file), DIB_RGB_COLORS);
    DeleteDC(dc);
    if (copied != h.biHeight) {
        DeleteObject(handle);
        return nullptr;
    }
    return handle;
}

}  // namespace

std::shared_ptr<Bitmap> Bitmap::LoadFromFile(const std::string& path) {
    if (!os::FileExists(path)) throw FileError("Cannot open file \"" + path + "\": the file does not exist");
    const std::vector<std::uint8_t> bytes = os::ReadFileBytes(path);
    const std::string fault = BitmapFileFault(bytes);
    if (!fault.empty()) throw FileError("The file \"" + path + "\" is not a valid bitmap: " + fault);
    HBITMAP image = SectionFromFileBytes(bytes);
    if (!image) throw FileError("The file \"" + path + "\" is not a valid bitmap");
    return std::make_shared<Bitmap>(image);
}

std::shared_ptr<Bitmap> Bitmap::Create(int width, int height, COLORREF fill) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle) throw std::runtime_error("Cannot create a bitmap");
    auto bitmap = std::make_shared<Bitmap>(handle);
    bitmap->Fill(RECT{0, 0, width, height}, fill);
    return bitmap;
}

Bitmap::Bitmap(HBITMAP handle) : handle_(handle) {
    BITMAP info{};
    GetObjectW(handle_, sizeof info, &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
}

Bitmap::~Bitmap() { DeleteObject(handle_); }

void Bitmap::Fill(const RECT& area, COLORREF color) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle_);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
}

COLORREF Bitmap::PixelAt(int x, int y) const {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle_);
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return color;
}

void Bitmap::Draw(HDC dc, const RECT& dest, const COLORREF* keyColor) const {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, handle_);
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (keyColor) {
        GdiTransparentBlt(dc, dest.left, dest.top, w, h, source, 0, 0, width_, height_, *keyColor);
    } else if (w == width_ && h == height_) {
        BitBlt(dc, dest.left, dest.top, w, h, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, dest.left, dest.top, w, h, source, 0, 0, width_, height_, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

}  // namespace kx::ui
