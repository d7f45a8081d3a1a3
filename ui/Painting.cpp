#include "Painting.h"

#include "Application.h"
#include "Bitmap.h"

#include <algorithm>

namespace kx::ui {
namespace {

// A large window is drawn in bands of about this many bytes: it needs no bitmap of its size.
constexpr int BandBytes = 256 * 1024;

}  // namespace

void PaintBuffered(HWND hwnd, const std::function<void(HDC memory, const RECT& client, const RECT& part)>& draw) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right > 0 && client.bottom > 0 && ps.rcPaint.bottom > ps.rcPaint.top) {
        const int bandHeight = std::clamp(BandBytes / (4 * static_cast<int>(client.right)), 1,
                                          static_cast<int>(client.bottom));
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, bandHeight);
        HGDIOBJ old = SelectObject(memory, bitmap);
        const DrawingSources sources;
        Application::Instance().Guarded([&] {
            for (int top = ps.rcPaint.top / bandHeight * bandHeight; top < ps.rcPaint.bottom; top += bandHeight) {
                // The band shows client rows from top on; every band starts from the same state.
                const RECT band{0, top, client.right, top + bandHeight};
                RECT part;
                if (!IntersectRect(&part, &band, &ps.rcPaint)) continue;
                const int saved = SaveDC(memory);
                SetViewportOrgEx(memory, 0, -top, nullptr);
                draw(memory, client, part);
                BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, memory, part.left,
                       part.top, SRCCOPY);
                RestoreDC(memory, saved);
            }
        });
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(hwnd, &ps);
}

}  // namespace kx::ui
