// Helpers for tests that drive real windows: pumping messages, input, recorders, captures,
// and child programs watched from outside. Windows only.
#pragma once

#include "MessageBox.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kx::test {

// Handles window messages for the given time, or until the condition holds.
void PumpFor(std::chrono::milliseconds duration);
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
// How many requests to leave the message loop the pumping has met so far.
int QuitRequestsMet();

// Pointer input as the window system delivers it to a window, in its client coordinates.
void MouseMove(HWND hwnd, int x, int y);
void MouseDown(HWND hwnd, int x, int y, UINT message = WM_LBUTTONDOWN);
void MouseUp(HWND hwnd, int x, int y);
void ClickAt(HWND hwnd, int x, int y);
void PressKey(HWND hwnd, WPARAM key);  // key down and up, through the dialog-key handling

// Records every message box and answers it; restores the platform box when destroyed.
class MessageBoxRecorder {
public:
    explicit MessageBoxRecorder(ui::MessageAnswer answer = ui::MessageAnswer::Ok);
    ~MessageBoxRecorder();
    void SetAnswers(std::vector<ui::MessageAnswer> answers);  // used in order, then the default
    const std::vector<ui::MessageBoxRequest>& Boxes() const { return boxes_; }
    void Clear() { boxes_.clear(); }
    std::function<void(const ui::MessageBoxRequest&)> OnBox;  // runs while the "box" is up

private:
    std::vector<ui::MessageBoxRequest> boxes_;
    std::vector<ui::MessageAnswer> answers_;
    ui::MessageAnswer default_;
};

// Records the web and mail addresses opened; restores the shell when destroyed.
class AddressRecorder {
public:
    AddressRecorder();
    ~AddressRecorder();
    const std::vector<std::string>& Addresses() const { return addresses_; }

private:
    std::vector<std::string> addresses_;
};

// Saves what the window shows on the screen as a 24-bit BMP file.
void CaptureWindow(HWND hwnd, const std::string& bmpPath);
COLORREF PixelOnScreen(HWND hwnd, int clientX, int clientY);
// With KX_SCREENSHOT_DIR set, saves the window there as NAME.bmp (for the documentation).
void SaveScreenshot(HWND hwnd, const std::string& name);

// A command line passed exactly as written, for programs that read it by rules of their own.
struct CommandLine {
    std::string Text;
};

// The rights a child runs with: the test's own, or the limited ones of its linked token (under
// Wine run as root, the test's own are elevated and the linked token's are not).
enum class Rights { Own, Limited };

// A program started in the background and watched from the test.
class ChildProgram {
public:
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingFolder = "", const std::vector<std::string>& environment = {},
                 Rights rights = Rights::Own);
    explicit ChildProgram(const CommandLine& commandLine, const std::string& workingFolder = "",
                          const std::vector<std::string>& environment = {}, Rights rights = Rights::Own);
    ~ChildProgram();  // ends the program if it still runs
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    DWORD ProcessId() const { return process_.dwProcessId; }
    // The exit code, or -1 when it has not ended within the time.
    int WaitForExit(std::chrono::milliseconds timeout);
    bool Running() const;
    HWND WaitForWindow(const std::string& captionPart, std::chrono::milliseconds timeout,
                       const wchar_t* className = nullptr) const;
    std::vector<HWND> VisibleWindows() const;
    // Whether the program has loaded the DLL of this file name (any letter case).
    bool HasLoaded(const std::string& dllName) const;

private:
    PROCESS_INFORMATION process_{};
};

// Visible top-level windows of the process, or of every process when the id is 0.
std::vector<HWND> VisibleWindows(DWORD processId);
// One of them whose caption contains the text (any when empty), waited for up to the time;
// nullptr when none appears.
HWND WaitForWindow(DWORD processId, const std::string& captionPart, std::chrono::milliseconds timeout,
                   const wchar_t* className = nullptr);
DWORD ProcessOf(HWND hwnd);
// Whether a process of this program file (the full path, any letter case) is running. A program
// that a shell launch has returned from is either still listed or has already done its work.
bool ProgramRunning(const std::string& path);

// Controls of another process's windows, driven from outside.
HWND FindChild(HWND parent, const std::string& className, const std::string& text = "");
// The window class of the buttons the programs draw themselves.
inline const std::string DrawnButtonClass = "KestrixImageButton";
// A control's text; GetWindowText does not ask a control of another process.
std::string ControlText(HWND control);
// Presses a button the way a click does, without waiting for what the click starts.
void PressButton(HWND button);
// The text of the process's next message box, which is then answered with the button.
std::string AnswerMessageBox(DWORD processId, UINT button = IDOK,
                             std::chrono::milliseconds timeout = std::chrono::seconds(20));

std::string WindowText(HWND hwnd);
std::string ClassName(HWND hwnd);

}  // namespace kx::test
