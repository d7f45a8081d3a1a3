#include "Screen.h"

#include <algorithm>

namespace kx::ui {
namespace {

VirtualScreenSource& Source() {
    static VirtualScreenSource source;
    return source;
}

}  // namespace

RECT VirtualScreen() {
    if (Source()) return Source()();
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void SetVirtualScreenSource(VirtualScreenSource source) { Source() = std::move(source); }

POINT CentredOn(const RECT& area, int width, int height) {
    return {std::max<LONG>(area.left, area.left + ((area.right - area.left) - width) / 2),
            std::max<LONG>(area.top, area.top + ((area.bottom - area.top) - height) / 2)};
}

}  // namespace kx::ui
