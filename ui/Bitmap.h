// A device-independent bitmap owned by its holder, loaded from a file or drawn by the program.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace kx::ui {

class Bitmap {
public:
    // Throws kx::FileError naming the file when it is missing or not a readable bitmap.
    static std::shared_ptr<Bitmap> LoadFromFile(const std::string& path);
    // A blank 32-bit bitmap to draw on.
    static std::shared_ptr<Bitmap> Create(int width, int height, COLORREF fill);

    explicit Bitmap(HBITMAP handle);
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    HBITMAP Handle() const { return handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF PixelAt(int x, int y) const;
    // Paints the area of the bitmap in one colour.
    void Fill(const RECT& area, COLORREF color);

    // Draws the bitmap into dest; with a key colour, pixels of that colour are left out.
    void Draw(HDC dc, const RECT& dest, const COLORREF* keyColor) const;

private:
    HBITMAP handle_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace kx::ui
