// A sibling program's stand-in: appends the command line it was given (the text after the
// program name, UTF-8, one CR LF ended line per start) to "<name>.log" beside itself, where
// <name> is its own file name without ".exe", then shows a small
// window. KX_STUB_LIFETIME_MS ends it after that many milliseconds; 0 ends it at once
// without a window. Without it, the window stays until the user closes it.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr UINT_PTR LifetimeTimer = 1;

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got < path.size()) {
            path.resize(got);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

// The program name is skipped by the rule the system uses for it (quoted, or up to the
// first blank) together with the blanks after it; everything else stays exactly as sent.
std::wstring ArgumentText() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

// One write to a file opened for appending, so that stubs started together never mix lines.
void AppendLog(const std::wstring& path, const std::wstring& arguments) {
    const std::string line = Utf8(arguments) + "\r\n";
    for (int attempt = 0; attempt < 50; ++attempt) {
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return;
        Sleep(20);
    }
}

// Milliseconds to live, or -1 for "until closed".
long long Lifetime() {
    wchar_t value[32];
    const DWORD got = GetEnvironmentVariableW(L"KX_STUB_LIFETIME_MS", value, 32);
    if (got == 0 || got >= 32) return -1;
    wchar_t* end = nullptr;
    const long long ms = std::wcstoll(value, &end, 10);
    return (end == value || *end != L'\0' || ms < 0) ? -1 : ms;
}

std::wstring g_text;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window, &paint);
            RECT area;
            GetClientRect(window, &area);
            InflateRect(&area, -8, -8);
            SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, g_text.c_str(), -1, &area, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_TIMER:
            if (wParam == LifetimeTimer) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // Named after its own file, so one build serves every sibling program.
    const std::wstring path = ModulePath();
    const std::size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = path.substr(0, slash == std::wstring::npos ? 0 : slash + 1);
    std::wstring name = path.substr(folder.size());
    if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".exe") == 0) name.resize(name.size() - 4);
    const std::wstring arguments = ArgumentText();
    AppendLog(folder + name + L".log", arguments);
    const long long lifetime = Lifetime();
    if (lifetime == 0) return 0;

    g_text = name + L"\r\n" + arguments;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"KestrixSiblingStub";
    RegisterClassW(&windowClass);
    RECT frame{0, 0, 360, 120};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    AdjustWindowRect(&frame, style, FALSE);
    const HWND window = CreateWindowW(windowClass.lpszClassName, name.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                      instance, nullptr);
    if (!window) return 1;
    if (lifetime > 0)
        SetTimer(window, LifetimeTimer, static_cast<UINT>(lifetime > 0x7FFFFFFF ? 0x7FFFFFFF : lifetime), nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
