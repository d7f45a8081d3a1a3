#include "Font.h"

#include "Scoped.h"

#include <map>
#include <tuple>

namespace kx::ui {

HFONT FontHandle(const FontSpec& wanted) {
    using Key = std::tuple<std::wstring, int, bool, bool, BYTE>;
    static std::map<Key, HFONT> cache;
    const Key key{wanted.Face, wanted.Height, wanted.Bold, wanted.Underline, wanted.Charset};
    auto found = cache.find(key);
    if (found != cache.end()) return found->second;
    // A negative height asks for the character height, as the layouts are measured.
    HFONT font = CreateFontW(-wanted.Height, 0, 0, 0, wanted.Bold ? FW_BOLD : FW_NORMAL, FALSE, wanted.Underline, FALSE,
                             wanted.Charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, wanted.Face.c_str());
    cache.emplace(key, font);
    return font;
}

SIZE MeasureText(const FontSpec& wanted, const std::wstring& text, int wrapWidth) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    const SelectedObject font(dc.get(), FontHandle(wanted));
    // An empty text still has the height of one line.
    const std::wstring measured = text.empty() ? L" " : text;
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    if (wrapWidth > 0) flags |= DT_WORDBREAK;
    DrawTextW(dc.get(), measured.c_str(), static_cast<int>(measured.size()), &r, flags);
    SIZE size{r.right - r.left, r.bottom - r.top};
    if (text.empty()) size.cx = 0;
    return size;
}

}  // namespace kx::ui
