// Painting a window through one off-screen bitmap of its client size, copied in one operation,
// so nothing flickers. For WM_PAINT handlers; errors in draw go to the default error handler.
#pragma once

#include <windows.h>

#include <functional>

namespace kx::ui {

void PaintBuffered(HWND hwnd, const std::function<void(HDC memory, const RECT& client)>& draw);

}  // namespace kx::ui
