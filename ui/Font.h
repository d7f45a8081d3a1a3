// Fonts by face, character height in pixels and style; one GDI font per distinct description.
#pragma once

#include <windows.h>

#include <string>

namespace kx::ui {

struct FontSpec {
    std::wstring Face = L"Tahoma";
    int Height = 11;  // character height in pixels, not scaled with the screen's DPI
    bool Bold = false;
    bool Underline = false;
    COLORREF Color = RGB(0, 0, 0);
    BYTE Charset = DEFAULT_CHARSET;
};

// Owned by a process-wide cache; valid for the life of the process.
HFONT FontHandle(const FontSpec& wanted);

// Size of a text in a font: single line, or wrapped at the given width when wrapWidth > 0.
SIZE MeasureText(const FontSpec& wanted, const std::wstring& text, int wrapWidth = 0);

}  // namespace kx::ui
