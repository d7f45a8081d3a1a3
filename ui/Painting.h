// Painting a window through an off-screen bitmap, so nothing flickers: draw gets a memory DC in
// client coordinates, the client rectangle, and the part of it this call must draw. A large
// window is drawn band by band, each band copied in one operation; draw is called once per band
// that holds some of the invalid area, and the part it gets lies within that band. For WM_PAINT
// handlers; errors in draw go to the default error handler.
#pragma once

#include <windows.h>

#include <functional>

namespace kx::ui {

void PaintBuffered(HWND hwnd, const std::function<void(HDC memory, const RECT& client, const RECT& part)>& draw);

}  // namespace kx::ui
