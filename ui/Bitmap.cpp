#include "Bitmap.h"

#include "BitmapFile.h"
#include "Os.h"
#include "Text.h"

namespace kx::ui {

std::shared_ptr<Bitmap> Bitmap::LoadFromFile(const std::string& path) {
    if (!os::FileExists(path)) throw FileError("Cannot open file \"" + path + "\": the file does not exist");
    const std::string fault = BitmapFileFault(os::ReadFileBytes(path));
    if (!fault.empty()) throw FileError("The file \"" + path + "\" is not a valid bitmap: " + fault);
    HANDLE image = LoadImageW(nullptr, ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!image) throw FileError("The file \"" + path + "\" is not a valid bitmap");
    return std::make_shared<Bitmap>(static_cast<HBITMAP>(image));
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
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, handle);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(fill);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

Bitmap::Bitmap(HBITMAP handle) : handle_(handle) {
    BITMAP info{};
    GetObjectW(handle_, sizeof info, &info);
    width_ = info.bmWidth;
    height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
}

Bitmap::~Bitmap() { DeleteObject(handle_); }

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
        TransparentBlt(dc, dest.left, dest.top, w, h, source, 0, 0, width_, height_, *keyColor);
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
