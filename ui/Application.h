// The application object: title, message loop, modal loops and the default error handler.
#pragma once

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

namespace kx::ui {

class Form;

// First thing in a program's entry: DLLs from the system folder only.
void StartGuiProgram();

// A single-threaded COM apartment on the calling thread, set up at its first need rather than at
// start, where it would cost every start: before a shell launch, whose verbs COM handlers may
// serve, and before an object is handed to a screen reader. False when COM cannot be had.
bool EnsureComApartment();

class Application {
public:
    static Application& Instance();

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // Runs the message loop until Terminate or the main form closes.
    void Run();
    // Asks the loops to end; a running modal loop ends as well.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles the messages already waiting, then returns.
    void ProcessMessages();

    void SetMainForm(Form* form) { mainForm_ = form; }
    Form* MainForm() const { return mainForm_; }

    // The default error handler: an error box titled with the application title.
    void ShowException(const std::exception& error);
    // Calls f, handing any exception to the default error handler; nothing escapes.
    template <class F>
    void Guarded(F&& f) noexcept {
        try {
            f();
        } catch (const std::exception& error) {
            ShowException(error);
        } catch (...) {
            ShowException(std::runtime_error("Unexpected error"));
        }
    }

    // The screen cursor: while set (for example the hourglass), every window shows it.
    void SetScreenCursor(LPCWSTR systemCursor);
    HCURSOR ScreenCursor() const { return screenCursor_; }

    // One message of a loop: dialog keys for the active form, then dispatch. False on WM_QUIT.
    bool HandleOneMessage();

private:
    Application() = default;
    std::string title_;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    HCURSOR screenCursor_ = nullptr;
};

// The text the default error handler shows: the message, with "." appended when its last
// character sorts after ".".
std::string ErrorBoxText(const std::string& message);

}  // namespace kx::ui
