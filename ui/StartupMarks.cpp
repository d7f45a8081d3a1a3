#include "StartupMarks.h"

#include <windows.h>

#include <cstdio>

namespace kx::ui {

void MarkStartup(const char* name) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    static const HANDLE file = [] {
        wchar_t path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"KX_STARTUP_MARKS", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return INVALID_HANDLE_VALUE;
        return CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }();
    if (file == INVALID_HANDLE_VALUE) return;
    char line[128];
    const int length = std::snprintf(line, sizeof line, "%s %lld\n", name, static_cast<long long>(now.QuadPart));
    DWORD written;
    if (length > 0) WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace kx::ui
