#include "UpdateArtwork.h"

#include "Scoped.h"

#include <windows.h>

namespace kx::portico {
namespace {

// The key colour the picture buttons leave out: their top-left pixel.
constexpr COLORREF KeyColor = RGB(255, 0, 255);

// Draws on a bitmap while it lives.
class Canvas {
public:
    explicit Canvas(const std::shared_ptr<ui::Bitmap>& bitmap)
        : dc_(CreateCompatibleDC(nullptr)), bitmap_(dc_.get(), bitmap->Handle()) {}

    void Fill(const RECT& r, COLORREF color) const {
        FillRect(dc_.get(), &r, GdiObject<HBRUSH>(CreateSolidBrush(color)).get());
    }
    void VerticalGradient(const RECT& r, COLORREF top, COLORREF bottom) const {
        const int height = r.bottom - r.top;
        for (int y = 0; y < height; ++y) {
            const auto mix = [&](int a, int b) { return a + (b - a) * y / (height > 1 ? height - 1 : 1); };
            Fill({r.left, r.top + y, r.right, r.top + y + 1},
                 RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                     mix(GetBValue(top), GetBValue(bottom))));
        }
    }
    void RoundBox(const RECT& r, COLORREF fill, COLORREF edge, int corner) const {
        const GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
        const GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, edge));
        const SelectedObject brushChosen(dc_.get(), brush.get()), penChosen(dc_.get(), pen.get());
        RoundRect(dc_.get(), r.left, r.top, r.right, r.bottom, corner, corner);
    }
    void Line(int x1, int y1, int x2, int y2, COLORREF color, int width) const {
        const GdiObject<HPEN> pen(CreatePen(PS_SOLID, width, color));
        const SelectedObject chosen(dc_.get(), pen.get());
        MoveToEx(dc_.get(), x1, y1, nullptr);
        LineTo(dc_.get(), x2, y2);
    }
    void Text(const wchar_t* text, RECT r, int height, bool bold, COLORREF color) const {
        const GdiObject<HFONT> font(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                                ANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma"));
        const SelectedObject chosen(dc_.get(), font.get());
        SetBkMode(dc_.get(), TRANSPARENT);
        SetTextColor(dc_.get(), color);
        DrawTextW(dc_.get(), text, -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }

private:
    MemoryDc dc_;
    SelectedObject bitmap_;
};

}  // namespace

std::shared_ptr<ui::Bitmap> UpdateBackground() {
    auto bitmap = ui::Bitmap::Create(386, 246, RGB(255, 255, 255));
    const Canvas c(bitmap);
    c.VerticalGradient({0, 0, 386, 40}, RGB(44, 123, 176), RGB(29, 88, 133));
    c.Text(L"Kestrix", {16, 1, 300, 40}, 17, true, RGB(255, 255, 255));
    c.VerticalGradient({0, 40, 386, 246}, RGB(252, 253, 255), RGB(229, 238, 247));
    c.Line(20, 182, 366, 182, RGB(205, 218, 232), 1);
    return bitmap;
}

std::shared_ptr<ui::Bitmap> UpdateButtonPicture(ButtonState state, bool primary) {
    auto bitmap = ui::Bitmap::Create(114, 32, KeyColor);
    const Canvas c(bitmap);
    COLORREF fill = primary ? RGB(37, 113, 163) : RGB(236, 240, 245);
    COLORREF edge = primary ? RGB(25, 84, 125) : RGB(160, 172, 186);
    switch (state) {
        case ButtonState::Normal: break;
        case ButtonState::MouseOn: fill = primary ? RGB(55, 138, 193) : RGB(248, 250, 253); break;
        case ButtonState::MouseDown: fill = primary ? RGB(25, 84, 125) : RGB(210, 218, 228); break;
        case ButtonState::Disabled:
            fill = RGB(214, 218, 222);
            edge = RGB(180, 184, 188);
            break;
    }
    c.RoundBox({0, 0, 114, 32}, fill, edge, 10);
    return bitmap;
}

std::shared_ptr<ui::Bitmap> UpdateCloseButtonPicture(ButtonState state) {
    auto bitmap = ui::Bitmap::Create(44, 18, KeyColor);
    const Canvas c(bitmap);
    // The normal picture is the cross alone over the keyed-out colour.
    if (state == ButtonState::MouseOn || state == ButtonState::MouseDown)
        c.Fill({1, 0, 44, 18}, state == ButtonState::MouseDown ? RGB(160, 40, 40) : RGB(214, 64, 64));
    c.Line(18, 5, 26, 13, RGB(255, 255, 255), 2);
    c.Line(26, 5, 18, 13, RGB(255, 255, 255), 2);
    return bitmap;
}

}  // namespace kx::portico
