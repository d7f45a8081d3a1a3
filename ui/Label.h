// A windowless text label painted by its form.
#pragma once

#include "Control.h"

#include <string>

namespace kx::ui {

enum class TextAlignment { Left, Center };

class Label : public GraphicControl {
public:
    Label(Form& parent, int left, int top, int width = 0, int height = 0);

    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    void SetFont(const FontSpec& font);
    const FontSpec& Font() const { return font_; }
    void SetFontColor(COLORREF color);
    // Auto-size: the label takes its text's size; with word wrap only its height follows.
    void SetAutoSize(bool autoSize);
    void SetWordWrap(bool wordWrap);
    void SetAlignment(TextAlignment alignment);
    void SetTransparent(bool transparent);
    void SetColor(COLORREF color);

    void Paint(HDC dc) override;
    std::string AccessibleText() const override;

private:
    void AdjustSize();

    std::string text_;
    std::wstring wide_;
    FontSpec font_;
    bool autoSize_ = false;
    bool wordWrap_ = false;
    bool transparent_ = false;
    TextAlignment alignment_ = TextAlignment::Left;
    COLORREF color_;
};

}  // namespace kx::ui
