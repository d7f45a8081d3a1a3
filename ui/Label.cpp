#include "Label.h"

#include "Form.h"
#include "Scoped.h"
#include "Text.h"

namespace kx::ui {

Label::Label(Form& parent, int left, int top, int width, int height)
    : GraphicControl(parent), font_(parent.Font()), color_(parent.Color()) {
    SetBounds(left, top, width, height);
}

void Label::SetText(const std::string& text) {
    text_ = text;
    wide_ = ToWide(text);
    AdjustSize();
    Invalidate();
}

void Label::SetFont(const FontSpec& font) {
    font_ = font;
    AdjustSize();
    Invalidate();
}

void Label::SetFontColor(COLORREF color) {
    font_.Color = color;
    Invalidate();
}

void Label::SetAutoSize(bool autoSize) {
    autoSize_ = autoSize;
    AdjustSize();
}

void Label::SetWordWrap(bool wordWrap) {
    wordWrap_ = wordWrap;
    AdjustSize();
    Invalidate();
}

void Label::SetAlignment(TextAlignment alignment) {
    alignment_ = alignment;
    Invalidate();
}

void Label::SetTransparent(bool transparent) {
    transparent_ = transparent;
    Invalidate();
}

void Label::SetColor(COLORREF color) {
    color_ = color;
    Invalidate();
}

void Label::AdjustSize() {
    if (!autoSize_) return;
    const SIZE size = MeasureText(font_, wide_, wordWrap_ ? Width() : 0);
    SetBounds(Left(), Top(), wordWrap_ ? Width() : size.cx, size.cy);
}

void Label::Paint(HDC dc) {
    RECT r = Bounds();
    if (!transparent_) {
        FillRect(dc, &r, GdiObject<HBRUSH>(CreateSolidBrush(color_)).get());
    }
    const SelectedObject font(dc, FontHandle(font_));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, font_.Color);
    UINT flags = DT_NOPREFIX | DT_EXPANDTABS | (alignment_ == TextAlignment::Center ? DT_CENTER : DT_LEFT);
    if (wordWrap_) flags |= DT_WORDBREAK;
    DrawTextW(dc, wide_.c_str(), static_cast<int>(wide_.size()), &r, flags);
}

std::string Label::AccessibleText() const { return AccessibleName ? AccessibleName() : text_; }

}  // namespace kx::ui
