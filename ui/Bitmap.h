// A device-independent bitmap owned by its holder, loaded from a file or drawn by the program.
#pragma once

#include "Scoped.h"

#include <windows.h>

#include <memory>
#include <string>

namespace kx::ui {

// The pixel whose colour a keyed draw leaves out.
enum class KeyPixel { None, TopLeft, BottomLeft };

class Bitmap {
public:
    // Throws kx::FileError naming the file when it is missing or not a readable bitmap. The file
    // is read whole and closed; an uncompressed picture keeps its file's bytes and is drawn from
    // them until something needs a bitmap handle of it.
    static std::shared_ptr<Bitmap> LoadFromFile(const std::string& path);
    // A blank 32-bit bitmap to draw on.
    static std::shared_ptr<Bitmap> Create(int width, int height, COLORREF fill);

    explicit Bitmap(GdiObject<HBITMAP> handle);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // A picture still drawn from its file gets its bitmap here, at the first call.
    HBITMAP Handle() const;
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF PixelAt(int x, int y) const;
    // Paints the area of the bitmap in one colour.
    void Fill(const RECT& area, COLORREF color);

    // Draws the bitmap into dest, stretched to its size; keyed, the pixels of the key pixel's
    // colour are left out. The first keyed draw reads that colour and keeps a one-bit mask of
    // those pixels for every later one, so a bitmap drawn keyed is changed only through Fill.
    void Draw(HDC dc, const RECT& dest, KeyPixel key = KeyPixel::None) const;

private:
    struct FilePixels;
    Bitmap(std::unique_ptr<FilePixels> file, int width, int height);
    HBITMAP KeyMask(HDC picture, KeyPixel key) const;

    mutable GdiObject<HBITMAP> handle_;
    mutable std::unique_ptr<FilePixels> file_;  // until the bitmap is made
    int width_ = 0;
    int height_ = 0;
    mutable GdiObject<HBITMAP> mask_;
    mutable KeyPixel maskKey_ = KeyPixel::None;
};

// While it lives, the bitmaps drawn on this thread are selected into the two memory device
// contexts it holds, made at the first draw that needs them, instead of into new ones: a paint
// makes them once, not per picture and band.
class DrawingSources {
public:
    DrawingSources();
    ~DrawingSources();
    DrawingSources(const DrawingSources&) = delete;
    DrawingSources& operator=(const DrawingSources&) = delete;

    static HDC Lent(int which);  // 0 or 1; null when none lives

private:
    MemoryDc dcs_[2];
    DrawingSources* outer_;
};

}  // namespace kx::ui
