// The desktop spanning all monitors, and where a window centred on it goes.
#pragma once

#include <windows.h>

#include <functional>

namespace kx::ui {

// The virtual screen in screen coordinates: its origin lies left of or above (0, 0) when a
// monitor stands left of or above the primary one.
RECT VirtualScreen();
using VirtualScreenSource = std::function<RECT()>;
void SetVirtualScreenSource(VirtualScreenSource source);  // empty restores the system metrics

// The top-left corner of a window of that size centred on the area; a window larger than
// the area keeps its top-left corner inside it.
POINT CentredOn(const RECT& area, int width, int height);

}  // namespace kx::ui
