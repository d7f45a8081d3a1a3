// The floor of the start-up benchmark: the least a window of ours must do before its first
// paint, built the same way as the programs. It shows a borderless 800 x 480 window, the
// launcher's, and draws one line of text in the programs' font, so that font loading and font
// linking count on both sides; with the argument "framed" the window is the feedback prompt's
// instead, 576 x 372 inside a sizeable frame with a caption; with "bare" it only fills the
// borderless window. The square drawn last, at the centre, tells the benchmark that the paint
// is complete.
#include "Font.h"
#include "StartupMarks.h"

#include <windows.h>

#include <cstring>

namespace {

const COLORREF Background = RGB(20, 80, 140);
const COLORREF Finished = RGB(200, 120, 20);
bool drawText = true;

void FillColor(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            FillColor(dc, ps.rcPaint, Background);
            if (drawText) {
                HGDIOBJ old = SelectObject(dc, kx::ui::FontHandle(kx::ui::FontSpec{}));
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, RGB(255, 255, 255));
                RECT line{20, 20, 780, 40};
                DrawTextW(dc, L"Kestrix 3.0.0", -1, &line, DT_SINGLELINE | DT_NOPREFIX);
                SelectObject(dc, old);
            }
            RECT client;
            GetClientRect(hwnd, &client);
            const int x = client.right / 2, y = client.bottom / 2;
            FillColor(dc, RECT{x - 4, y - 4, x + 4, y + 4}, drawText ? Finished : Background);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    kx::ui::MarkStartup("main");
    const char* kind = argc > 1 ? argv[1] : "";
    drawText = std::strcmp(kind, "bare") != 0;
    const bool framed = std::strcmp(kind, "framed") == 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KestrixFloor";
    RegisterClassW(&wc);
    const DWORD style = framed ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME : WS_POPUP;
    RECT r{0, 0, framed ? 576 : 800, framed ? 372 : 480};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_APPWINDOW);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = (GetSystemMetrics(SM_CXVIRTUALSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYVIRTUALSCREEN) - height) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Floor", style | WS_VISIBLE, left, top, width,
                                height, nullptr, nullptr, wc.hInstance, nullptr);
    kx::ui::MarkStartup("windows created");
    UpdateWindow(hwnd);
    kx::ui::MarkStartup("shown");
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
