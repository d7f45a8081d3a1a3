// A windowless picture; transparent pictures leave out the colour of the bottom-left pixel.
#pragma once

#include "Bitmap.h"
#include "Control.h"

#include <memory>

namespace kx::ui {

class Picture : public GraphicControl {
public:
    Picture(Form& parent, int left, int top, int width, int height);

    void SetBitmap(std::shared_ptr<Bitmap> bitmap);
    const std::shared_ptr<Bitmap>& GetBitmap() const { return bitmap_; }
    // Replaces the picture only when the file loads; the error names the file otherwise.
    void LoadFromFile(const std::string& path);
    void SetAutoSize(bool autoSize);
    void SetTransparent(bool transparent);
    void SetStretch(bool stretch);
    // Draws now, without waiting for the next paint.
    void Repaint();

    void Paint(HDC dc) override;

private:
    std::shared_ptr<Bitmap> bitmap_;
    bool autoSize_ = false;
    bool transparent_ = false;
    bool stretch_ = false;
};

}  // namespace kx::ui
