#include "Bitmap.h"

#include "BitmapFile.h"
#include "Os.h"
#include "Text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

namespace kx::ui {

namespace {

// A bitmap header with room for the masks or the largest colour table.
struct BitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];

    const BITMAPINFO* Get() const { return reinterpret_cast<const BITMAPINFO*>(this); }
};

// The file's pixels as they lie, described from the checked fields alone: the system reads as
// many masks and colours as the header it is given implies, so the file's own header bytes
// never reach it.
BitmapInfo FileInfo(std::span<const std::uint8_t> bytes, const BitmapLayout& layout) {
    BitmapInfo info{};
    BITMAPINFOHEADER& h = info.header;
    h.biSize = sizeof h;
    h.biPlanes = 1;
    h.biWidth = static_cast<LONG>(layout.Width);
    h.biHeight = static_cast<LONG>(layout.Height);
    h.biBitCount = static_cast<WORD>(layout.BitCount);
    h.biClrUsed = layout.TableColors();
    h.biCompression = layout.Compression;
    if (layout.Compression == BI_RLE8 || layout.Compression == BI_RLE4) h.biSizeImage = layout.ImageSize;
    // Bit fields keep their masks, which follow a plain header and are the next fields of a longer one.
    if (h.biCompression == BI_BITFIELDS)
        std::memcpy(info.colors, bytes.data() + BitmapLayout::MaskOffset, BitmapLayout::MaskBytes);
    h.biClrUsed = std::min<std::uint32_t>(h.biClrUsed, std::size(info.colors));
    for (std::uint32_t i = 0; i < h.biClrUsed; ++i) {
        const std::size_t at = layout.TableOffset() + i * layout.TableEntryBytes();
        info.colors[i] = RGBQUAD{bytes[at], bytes[at + 1], bytes[at + 2], 0};
    }
    return info;
}

bool RunLength(const BitmapLayout& layout) {
    return layout.Compression == BI_RLE8 || layout.Compression == BI_RLE4;
}

}  // namespace

// A checked file's bytes, read whole into the program's own memory, so that no writer can change
// them between the check and their use, and how the system is to read its pixels.
struct Bitmap::FilePixels {
    explicit FilePixels(const std::string& path) : File(os::ReadFileBytes(path)) {}

    std::vector<std::uint8_t> File;
    BitmapLayout Layout;
    BitmapInfo Info{};

    std::span<const std::uint8_t> Bytes() const { return File; }
    const std::uint8_t* Pixels() const { return File.data() + Layout.PixelOffset; }
    // Pixels of three colour bytes each, and maybe one unused: the key is found by comparing those.
    bool KeyComparable() const {
        return Layout.Compression == BI_RGB && (Layout.BitCount == 24 || Layout.BitCount == 32);
    }
};

namespace {

// The file's pixels copied into a bottom-up DIB section of the file's own depth: run-length
// pixels are unpacked, a top-down file is turned the right way up.
GdiObject<HBITMAP> SectionFromFile(const BitmapLayout& layout, const BitmapInfo& file, const std::uint8_t* pixels) {
    BitmapInfo section = file;
    BITMAPINFOHEADER& h = section.header;
    if (h.biHeight < 0) h.biHeight = -h.biHeight;
    if (RunLength(layout)) {
        h.biCompression = BI_RGB;
        h.biSizeImage = 0;
    }
    void* bits = nullptr;
    GdiObject<HBITMAP> handle(CreateDIBSection(nullptr, section.Get(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!handle) return handle;
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const int copied =
        SetDIBits(dc.get(), handle.get(), 0, static_cast<UINT>(h.biHeight), pixels, file.Get(), DIB_RGB_COLORS);
    if (copied != h.biHeight) handle.reset();
    return handle;
}

// White where a pixel has the colour of the key pixel, black elsewhere, compared on the colour
// bytes alone as the system compares a 24-bit copy of the picture.
HBITMAP MaskFromPixels(const BitmapLayout& layout, const std::uint8_t* pixels, int width, int height,
                       KeyPixel key) {
    const std::size_t pixelBytes = layout.BitCount / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * layout.BitCount + 31) / 32 * 4;
    const bool topDown = layout.Height < 0;
    const auto row = [&](int y) { return pixels + stride * static_cast<std::size_t>(topDown ? y : height - 1 - y); };
    const std::uint8_t* keyPixel = row(key == KeyPixel::TopLeft ? 0 : height - 1);
    // A monochrome bitmap's rows run top down, each a whole number of 16-bit words.
    const std::size_t maskStride = (static_cast<std::size_t>(width) + 15) / 16 * 2;
    std::vector<std::uint8_t> bits(maskStride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* pixel = row(y);
        std::uint8_t* maskRow = bits.data() + maskStride * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x, pixel += pixelBytes)
            if (pixel[0] == keyPixel[0] && pixel[1] == keyPixel[1] && pixel[2] == keyPixel[2])
                maskRow[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return CreateBitmap(width, height, 1, 1, bits.data());
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
    std::unique_ptr<FilePixels> file;
    try {
        file = std::make_unique<FilePixels>(path);
    } catch (const FileError&) {
        // Asked only now: a start loads every picture, and a question more each would cost it.
        if (!os::FileExists(path)) throw FileError("Cannot open file \"" + path + "\": the file does not exist");
        throw;
    }
    const std::string fault = BitmapFileFault(file->Bytes());
    if (!fault.empty()) throw FileError("The file \"" + path + "\" is not a valid bitmap: " + fault);
    file->Layout = ReadBitmapLayout(file->Bytes());
    file->Info = FileInfo(file->Bytes(), file->Layout);
    const BitmapLayout& layout = file->Layout;
    // Runs are unpacked at once, so that a run the system cannot follow is an error of loading.
    if (RunLength(layout)) {
        GdiObject<HBITMAP> image = SectionFromFile(layout, file->Info, file->Pixels());
        if (!image) throw FileError("The file \"" + path + "\" is not a valid bitmap");
        return std::make_shared<Bitmap>(std::move(image));
    }
    const int width = static_cast<int>(layout.Width);
    const int height = static_cast<int>(layout.Height < 0 ? -layout.Height : layout.Height);
    return std::shared_ptr<Bitmap>(new Bitmap(std::move(file), width, height));
}

std::shared_ptr<Bitmap> Bitmap::Create(int width, int height, COLORREF fill) {
    GdiObject<HBITMAP> handle(NewSection(width, -height, 32));
    if (!handle) throw std::runtime_error("Cannot create a bitmap");
    auto bitmap = std::make_shared<Bitmap>(std::move(handle));
    bitmap->Fill(RECT{0, 0, width, height}, fill);
    return bitmap;
}

Bitmap::Bitmap(std::unique_ptr<FilePixels> file, int width, int height)
    : file_(std::move(file)), width_(width), height_(height) {}

Bitmap::Bitmap(GdiObject<HBITMAP> handle) : handle_(std::move(handle)) {
    BITMAP info{};
    GetObjectW(handle_.get(), sizeof info, &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
}

Bitmap::~Bitmap() = default;

HBITMAP Bitmap::Handle() const {
    if (!handle_) {
        handle_ = SectionFromFile(file_->Layout, file_->Info, file_->Pixels());
        if (!handle_) throw std::runtime_error("Cannot create a bitmap");
        file_.reset();
    }
    return handle_.get();
}

void Bitmap::Fill(const RECT& area, COLORREF color) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const SelectedObject picture(dc.get(), Handle());
    FillRect(dc.get(), &area, GdiObject<HBRUSH>(CreateSolidBrush(color)).get());
    // The pixels may have changed: the next keyed draw reads the key and makes the mask anew.
    mask_.reset();
}

COLORREF Bitmap::PixelAt(int x, int y) const {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const SelectedObject picture(dc.get(), Handle());
    return GetPixel(dc.get(), x, y);
}

namespace {

thread_local DrawingSources* lender = nullptr;

// One bitmap selected into a memory DC for one draw: a lent one when a paint lends it.
class Selected {
public:
    Selected(int which, HBITMAP bitmap) : Selected(DrawingSources::Lent(which), bitmap) {}
    HDC Dc() const { return bitmap_.Dc(); }

private:
    Selected(HDC lent, HBITMAP bitmap)
        : own_(lent ? nullptr : CreateCompatibleDC(nullptr)), bitmap_(lent ? lent : own_.get(), bitmap) {}
    MemoryDc own_;  // when no paint lends one
    SelectedObject bitmap_;
};

}  // namespace

DrawingSources::DrawingSources() : outer_(lender) { lender = this; }

DrawingSources::~DrawingSources() { lender = outer_; }

HDC DrawingSources::Lent(int which) {
    if (!lender) return nullptr;
    MemoryDc& dc = lender->dcs_[which];
    if (!dc) dc.reset(CreateCompatibleDC(nullptr));
    return dc.get();
}

// White where the picture has the key colour, black elsewhere. Pixels not comparable in the file
// are compared in a 24-bit copy, as the system's transparent blit compares them, so that a pixel
// of a palette or 16-bit picture matches the key by its colour.
HBITMAP Bitmap::KeyMask(HDC picture, KeyPixel key) const {
    if (mask_ && maskKey_ == key) return mask_.get();
    GdiObject<HBITMAP> mask;
    if (file_) {
        mask.reset(MaskFromPixels(file_->Layout, file_->Pixels(), width_, height_, key));
        if (!mask) throw std::runtime_error("Cannot create a bitmap");
    } else {
        const COLORREF keyColor = GetPixel(picture, 0, key == KeyPixel::TopLeft ? 0 : height_ - 1);
        const GdiObject<HBITMAP> copy(NewSection(width_, height_, 24));
        mask.reset(CreateBitmap(width_, height_, 1, 1, nullptr));
        if (!copy || !mask) throw std::runtime_error("Cannot create a bitmap");
        const Selected colors(1, copy.get());
        BitBlt(colors.Dc(), 0, 0, width_, height_, picture, 0, 0, SRCCOPY);
        SetBkColor(colors.Dc(), keyColor);
        const MemoryDc maskDc(CreateCompatibleDC(nullptr));
        const SelectedObject masked(maskDc.get(), mask.get());
        BitBlt(maskDc.get(), 0, 0, width_, height_, colors.Dc(), 0, 0, SRCCOPY);
    }
    mask_ = std::move(mask);
    maskKey_ = key;
    return mask_.get();
}

void Bitmap::Draw(HDC dc, const RECT& dest, KeyPixel key) const {
    // A keyed picture whose file pixels cannot be compared with the key is drawn from its bitmap.
    if (file_ && key != KeyPixel::None && !file_->KeyComparable()) Handle();
    std::optional<Selected> picture;
    if (!file_) picture.emplace(0, handle_.get());
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    const bool stretched = w != width_ || h != height_;
    if (stretched) SetStretchBltMode(dc, COLORONCOLOR);
    const auto copy = [&](HDC source, DWORD rop) {
        if (stretched)
            StretchBlt(dc, dest.left, dest.top, w, h, source, 0, 0, width_, height_, rop);
        else
            BitBlt(dc, dest.left, dest.top, w, h, source, 0, 0, rop);
    };
    const auto copyPicture = [&](DWORD rop) {
        if (picture)
            copy(picture->Dc(), rop);
        else
            StretchDIBits(dc, dest.left, dest.top, w, h, 0, 0, width_, height_, file_->Pixels(), file_->Info.Get(),
                          DIB_RGB_COLORS, rop);
    };
    if (key == KeyPixel::None) {
        copyPicture(SRCCOPY);
        return;
    }
    HBITMAP mask = KeyMask(picture ? picture->Dc() : nullptr, key);
    // XOR the picture in, clear it to black where the mask is black, and XOR it in again: the
    // picture's pixels remain there and what was under it everywhere else, bit for bit.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0)), oldBack = SetBkColor(dc, RGB(255, 255, 255));
    copyPicture(SRCINVERT);
    {
        const Selected maskSource(1, mask);
        copy(maskSource.Dc(), SRCAND);
    }
    copyPicture(SRCINVERT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

}  // namespace kx::ui
