// The floor of the start-up benchmark: the least a program can do to show an 800 x 480
// window and paint it, built the same way as the programs.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            HBRUSH brush = CreateSolidBrush(RGB(20, 80, 140));
            FillRect(dc, &ps.rcPaint, brush);
            DeleteObject(brush);
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

int main() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"KestrixFloor";
    RegisterClassW(&wc);
    const int left = (GetSystemMetrics(SM_CXVIRTUALSCREEN) - 800) / 2;
    const int top = (GetSystemMetrics(SM_CYVIRTUALSCREEN) - 480) / 2;
    HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, wc.lpszClassName, L"Floor", WS_POPUP | WS_VISIBLE, left, top, 800,
                                480, nullptr, nullptr, wc.hInstance, nullptr);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
