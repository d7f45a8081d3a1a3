#include "Picture.h"

#include "Form.h"

namespace kx::ui {

Picture::Picture(Form& parent, int left, int top, int width, int height) : GraphicControl(parent) {
    SetBounds(left, top, width, height);
}

void Picture::SetBitmap(std::shared_ptr<Bitmap> bitmap) {
    bitmap_ = std::move(bitmap);
    if (autoSize_ && bitmap_) SetBounds(Left(), Top(), bitmap_->Width(), bitmap_->Height());
    Invalidate();
}

void Picture::LoadFromFile(const std::string& path) { SetBitmap(Bitmap::LoadFromFile(path)); }

void Picture::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    if (autoSize_ && bitmap_) SetBounds(Left(), Top(), bitmap_->Width(), bitmap_->Height());
}

void Picture::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

void Picture::SetStretch(bool stretch) {
    stretch_ = stretch;
    Invalidate();
}

void Picture::Repaint() {
    Invalidate();
    UpdateWindow(Parent().Handle());
}

void Picture::Paint(HDC dc) {
    if (!bitmap_) return;
    RECT dest = Bounds();
    if (!stretch_) {
        dest.right = dest.left + bitmap_->Width();
        dest.bottom = dest.top + bitmap_->Height();
    }
    bitmap_->Draw(dc, dest, transparent_ ? KeyPixel::BottomLeft : KeyPixel::None);
}

}  // namespace kx::ui
