#include "Gui.h"

#include "Os.h"
#include "Process.h"
#include "Scoped.h"
#include "Shell.h"
#include "Text.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace kx::test {

void PumpFor(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
}

namespace {
int quitRequests = 0;
}  // namespace

int QuitRequestsMet() { return quitRequests; }

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) ++quitRequests;
            HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
            if (root && IsDialogMessageW(root, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void MouseMove(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

void MouseDown(HWND hwnd, int x, int y, UINT message) {
    const WPARAM keys = message == WM_LBUTTONDOWN ? MK_LBUTTON : message == WM_RBUTTONDOWN ? MK_RBUTTON : MK_MBUTTON;
    SendMessageW(hwnd, message, keys, MAKELPARAM(x, y));
}

void MouseUp(HWND hwnd, int x, int y) { SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }

void ClickAt(HWND hwnd, int x, int y) {
    MouseMove(hwnd, x, y);
    MouseDown(hwnd, x, y);
    MouseUp(hwnd, x, y);
}

void PressKey(HWND hwnd, WPARAM key) {
    PostMessageW(hwnd, WM_KEYDOWN, key, 1);
    PostMessageW(hwnd, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    PumpFor(std::chrono::milliseconds(50));
}

MessageBoxRecorder::MessageBoxRecorder(ui::MessageAnswer answer) : default_(answer) {
    ui::SetMessageBoxPresenter([this](const ui::MessageBoxRequest& request) {
        boxes_.push_back(request);
        if (OnBox) OnBox(request);
        if (answers_.empty()) return default_;
        const ui::MessageAnswer answer = answers_.front();
        answers_.erase(answers_.begin());
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder() { ui::SetMessageBoxPresenter(nullptr); }

void MessageBoxRecorder::SetAnswers(std::vector<ui::MessageAnswer> answers) { answers_ = std::move(answers); }

AddressRecorder::AddressRecorder() {
    ui::SetAddressOpener([this](const std::string& address, int) { addresses_.push_back(address); });
}

AddressRecorder::~AddressRecorder() { ui::SetAddressOpener(nullptr); }

void CaptureWindow(HWND hwnd, const std::string& bmpPath) {
    RECT r;
    GetWindowRect(hwnd, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const WindowDc screen;
    const MemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const GdiObject<HBITMAP> bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const SelectedObject chosen(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    const KernelHandle out(CreateFileW(ToWide(bmpPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written;
    WriteFile(out.get(), &file, sizeof file, &written, nullptr);
    WriteFile(out.get(), &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    WriteFile(out.get(), bits, imageSize, &written, nullptr);
}

void SaveScreenshot(HWND hwnd, const std::string& name) {
    const std::string folder = os::EnvironmentVariable("KX_SCREENSHOT_DIR");
    if (folder.empty()) return;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    CaptureWindow(hwnd, folder + "\\" + name + ".bmp");
}

COLORREF PixelOnScreen(HWND hwnd, int clientX, int clientY) {
    POINT p{clientX, clientY};
    ClientToScreen(hwnd, &p);
    return GetPixel(WindowDc().get(), p.x, p.y);
}

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingFolder, const std::vector<std::string>& environment,
                           Rights rights)
    : ChildProgram(CommandLine{[&] {
                       std::string commandLine = FromWide(QuoteArgument(ToWide(program)));
                       for (const std::string& argument : arguments) {
                           commandLine += ' ';
                           commandLine += FromWide(QuoteArgument(ToWide(argument)));
                       }
                       return commandLine;
                   }()},
                   workingFolder, environment, rights) {}

ChildProgram::ChildProgram(const CommandLine& commandLine, const std::string& workingFolder,
                           const std::vector<std::string>& environment, Rights rights) {
    std::wstring text = ToWide(commandLine.Text);
    // The environment block: ours, with the given NAME=value entries added or replaced.
    std::wstring block;
    if (!environment.empty()) {
        wchar_t* current = GetEnvironmentStringsW();
        for (const wchar_t* p = current; *p; p += wcslen(p) + 1) {
            const std::wstring entry = p;
            bool replaced = false;
            for (const std::string& e : environment) {
                const std::wstring name = ToWide(e.substr(0, e.find('=') + 1));
                if (_wcsnicmp(entry.c_str(), name.c_str(), name.size()) == 0) replaced = true;
            }
            if (!replaced) block += entry + L'\0';
        }
        FreeEnvironmentStringsW(current);
        for (const std::string& e : environment) block += ToWide(e) + L'\0';
        block += L'\0';
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring folder = ToWide(workingFolder);
    HANDLE limited = nullptr;
    if (rights == Rights::Limited) {
        HANDLE own = nullptr;
        TOKEN_LINKED_TOKEN linked{};
        DWORD size = 0;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own) &&
            GetTokenInformation(own, TokenLinkedToken, &linked, sizeof linked, &size))
            limited = linked.LinkedToken;
        if (own) CloseHandle(own);
        if (!limited) throw std::runtime_error("no limited token for " + commandLine.Text);
    }
    void* const environmentBlock = environment.empty() ? nullptr : block.data();
    const wchar_t* const startFolder = workingFolder.empty() ? nullptr : folder.c_str();
    const auto start = [&] {
        return limited ? CreateProcessAsUserW(limited, nullptr, text.data(), nullptr, nullptr, FALSE,
                                              CREATE_UNICODE_ENVIRONMENT, environmentBlock, startFolder, &startup, &process_)
                       : CreateProcessW(nullptr, text.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                                        environmentBlock, startFolder, &startup, &process_);
    };
    // Once, on a loaded machine, Wine refused to start an installed program with no cause found
    // in the program or its files: such a start is tried again and reported. One refused for the
    // file itself (missing, held, denied) fails at once, so a program holding another's file
    // still fails its test.
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 1;; ++attempt) {
        started = start();
        if (started) break;
        error = GetLastError();
        const bool refusedForTheFile = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                                       error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
                                       error == ERROR_BAD_EXE_FORMAT;
        if (refusedForTheFile || attempt == 3) break;
        std::fprintf(stderr, "start of %s failed with error %lu (attempt %d)\n", commandLine.Text.c_str(), error, attempt);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (limited) CloseHandle(limited);
    if (!started) throw std::runtime_error("cannot start " + commandLine.Text + ": error " + std::to_string(error));
}

ChildProgram::~ChildProgram() {
    if (Running()) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

int ChildProgram::WaitForExit(std::chrono::milliseconds timeout) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

bool ChildProgram::HasLoaded(const std::string& dllName) const {
    HMODULE modules[512];
    DWORD bytes = 0;
    if (!EnumProcessModules(process_.hProcess, modules, sizeof modules, &bytes)) return false;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t name[MAX_PATH] = {};
        if (GetModuleBaseNameW(process_.hProcess, modules[i], name, MAX_PATH) &&
            EqualsIgnoreAsciiCase(FromWide(name), dllName))
            return true;
    }
    return false;
}

bool ChildProgram::Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

std::vector<HWND> ChildProgram::VisibleWindows() const { return test::VisibleWindows(process_.dwProcessId); }

HWND ChildProgram::WaitForWindow(const std::string& captionPart, std::chrono::milliseconds timeout,
                                 const wchar_t* className) const {
    return test::WaitForWindow(process_.dwProcessId, captionPart, timeout, className);
}

std::vector<HWND> VisibleWindows(DWORD processId) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if ((s->pid == 0 || ProcessOf(hwnd) == s->pid) && IsWindowVisible(hwnd)) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD processId, const std::string& captionPart, std::chrono::milliseconds timeout,
                   const wchar_t* className) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    do {
        for (HWND hwnd : VisibleWindows(processId)) {
            if (className && ClassName(hwnd) != FromWide(className)) continue;
            if (WindowText(hwnd).find(captionPart) != std::string::npos) return hwnd;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } while (std::chrono::steady_clock::now() < end);
    return nullptr;
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

bool ProgramRunning(const std::string& path) {
    const KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return true;  // unknown: never claim absence
    const std::wstring wanted = ToWide(path);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool running = false;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more && !running;
         more = Process32NextW(snapshot.get(), &entry)) {
        const KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (!process) continue;
        wchar_t image[MAX_PATH * 2];
        DWORD size = MAX_PATH * 2;
        running = QueryFullProcessImageNameW(process.get(), 0, image, &size) && _wcsicmp(image, wanted.c_str()) == 0;
    }
    return running;
}

HWND FindChild(HWND parent, const std::string& className, const std::string& text) {
    struct Search {
        std::string ClassName, Text;
        HWND Found = nullptr;
    } search{className, text};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (EqualsIgnoreAsciiCase(ClassName(hwnd), s->ClassName) && (s->Text.empty() || WindowText(hwnd) == s->Text))
                s->Found = hwnd;
            return s->Found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

std::string ControlText(HWND control) {
    wchar_t buffer[1024] = {};
    SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer));
    return FromWide(buffer);
}

void PressButton(HWND button) {
    if (!button) {
        ADD_FAILURE() << "no such button";
        return;
    }
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::string AnswerMessageBox(DWORD processId, UINT button, std::chrono::milliseconds timeout) {
    HWND box = WaitForWindow(processId, "", timeout, L"#32770");
    if (!box) return "(no message box)";
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    PostMessageW(GetDlgItem(box, static_cast<int>(button)), BM_CLICK, 0, 0);
    for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return FromWide(text);
}

std::string WindowText(HWND hwnd) {
    wchar_t buffer[1024];
    const int length = GetWindowTextW(hwnd, buffer, 1024);
    return FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length)));
}

std::string ClassName(HWND hwnd) {
    wchar_t buffer[256];
    const int length = GetClassNameW(hwnd, buffer, 256);
    return FromWide(std::wstring_view(buffer, static_cast<std::size_t>(length)));
}

}  // namespace kx::test
