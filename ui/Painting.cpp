#include "Painting.h"

#include "Application.h"

namespace kx::ui {

void PaintBuffered(HWND hwnd, const std::function<void(HDC memory, const RECT& client)>& draw) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right > 0 && client.bottom > 0) {
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ old = SelectObject(memory, bitmap);
        Application::Instance().Guarded([&] { draw(memory, client); });
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(hwnd, &ps);
}

}  // namespace kx::ui
