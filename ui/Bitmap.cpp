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

// A DIB section of uncompressed pixels; a negative height runs from the top down.
HBITMAP NewSection(int width, int height, WORD bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
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
    HBITMAP handle = NewSection(width, -height, 32);
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

Bitmap::~Bitmap() {
    DeleteObject(handle_);
    DeleteObject(mask_);
}

void Bitmap::Fill(const RECT& area, COLORREF color) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle_);
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    // The pixels may have changed: the next keyed draw reads the key and makes the mask anew.
    DeleteObject(mask_);
    mask_ = nullptr;
}

COLORREF Bitmap::PixelAt(int x, int y) const {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle_);
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return color;
}

namespace {

thread_local DrawingSources* lender = nullptr;

// One bitmap selected into a memory DC for one draw: a lent one when a paint lends it.
class Selected {
public:
    Selected(int which, HBITMAP bitmap) : lent_(DrawingSources::Lent(which)) {
        dc_ = lent_ ? lent_ : CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap);
    }
    ~Selected() {
        SelectObject(dc_, old_);
        if (!lent_) DeleteDC(dc_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
    HDC Dc() const { return dc_; }

private:
    HDC lent_;
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

DrawingSources::DrawingSources() : dcs_{}, outer_(lender) { lender = this; }

DrawingSources::~DrawingSources() {
    lender = outer_;
    for (HDC dc : dcs_)
        if (dc) DeleteDC(dc);
}

HDC DrawingSources::Lent(int which) {
    if (!lender) return nullptr;
    HDC& dc = lender->dcs_[which];
    if (!dc) dc = CreateCompatibleDC(nullptr);
    return dc;
}

// White where the picture has the key colour, black elsewhere. The colours are compared in a
// 24-bit copy, as the system's transparent blit compares them, so that a pixel of a palette or
// 16-bit picture matches the key by its colour.
HBITMAP Bitmap::KeyMask(HDC picture, KeyPixel key) const {
    if (mask_ && maskKey_ == key) return mask_;
    const COLORREF keyColor = GetPixel(picture, 0, key == KeyPixel::TopLeft ? 0 : height_ - 1);
    HBITMAP copy = NewSection(width_, height_, 24);
    HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
    if (copy && mask) {
        const Selected colors(1, copy);
        BitBlt(colors.Dc(), 0, 0, width_, height_, picture, 0, 0, SRCCOPY);
        SetBkColor(colors.Dc(), keyColor);
        HDC maskDc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(maskDc, mask);
        BitBlt(maskDc, 0, 0, width_, height_, colors.Dc(), 0, 0, SRCCOPY);
        SelectObject(maskDc, old);
        DeleteDC(maskDc);
    }
    DeleteObject(copy);
    if (!copy || !mask) {
        DeleteObject(mask);
        throw std::runtime_error("Cannot create a bitmap");
    }
    DeleteObject(mask_);
    mask_ = mask;
    maskKey_ = key;
    return mask_;
}

void Bitmap::Draw(HDC dc, const RECT& dest, KeyPixel key) const {
    const Selected picture(0, handle_);
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    const bool stretched = w != width_ || h != height_;
    if (stretched) SetStretchBltMode(dc, COLORONCOLOR);
    const auto copy = [&](HDC source, DWORD rop) {
        if (stretched)
            StretchBlt(dc, dest.left, dest.top, w, h, source, 0, 0, width_, height_, rop);
        else
            BitBlt(dc, dest.left, dest.top, w, h, source, 0, 0, rop);
    };
    if (key == KeyPixel::None) {
        copy(picture.Dc(), SRCCOPY);
        return;
    }
    HBITMAP mask = KeyMask(picture.Dc(), key);
    // XOR the picture in, clear it to black where the mask is black, and XOR it in again: the
    // picture's pixels remain there and what was under it everywhere else, bit for bit.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBack = SetBkColor(dc, RGB(255, 255, 255));
    copy(picture.Dc(), SRCINVERT);
    {
        const Selected maskSource(1, mask);
        copy(maskSource.Dc(), SRCAND);
    }
    copy(picture.Dc(), SRCINVERT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

}  // namespace kx::ui
