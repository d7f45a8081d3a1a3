#include "Font.h"

#include <map>
#include <tuple>

namespace kx::ui {

HFONT FontHandle(const FontSpec& spec) {
    using Key = std::tuple<std::wstring, int, bool, bool, BYTE>;
    static std::map<Key, HFONT> cache;
    const Key key{spec.Face, spec.Height, spec.Bold, spec.Underline, spec.Charset};
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    // A negative height asks for the character height, as the layouts are measured.
    HFONT font = CreateFontW(-spec.Height, 0, 0, 0, spec.Bold ? FW_BOLD : FW_NORMAL, FALSE, spec.Underline, FALSE,
                             spec.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, spec.Face.c_str());
    cache.emplace(key, font);
    return font;
}

SIZE MeasureText(const FontSpec& spec, const std::wstring& text, int wrapWidth) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontHandle(spec));
    // An empty text still has the height of one line.
    const std::wstring measured = text.empty() ? L" " : text;
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    if (wrapWidth > 0) flags |= DT_WORDBREAK;
    DrawTextW(dc, measured.c_str(), static_cast<int>(measured.size()), &r, flags);
    SelectObject(dc, old);
    DeleteDC(dc);
    SIZE size{r.right - r.left, r.bottom - r.top};
    if (text.empty()) size.cx = 0;
    return size;
}

}  // namespace kx::ui
