#include "Application.h"

#include "MessageBox.h"
#include "SystemLibrary.h"

#include <objbase.h>

namespace kx::ui {

void StartGuiProgram() { RestrictLibrarySearchToSystemFolder(); }

bool EnsureComApartment() {
    thread_local const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    return SUCCEEDED(result) || result == RPC_E_CHANGED_MODE;  // changed mode: it is set up already
}

Application& Application::Instance() {
    static Application application;
    return application;
}

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
    return message;
}

void Application::ShowException(const std::exception& error) {
    ShowMessageBox(nullptr, ErrorBoxText(error.what()), MessageIcon::Error);
}

bool Application::HandleOneMessage() {
    MSG msg;
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
        terminated_ = true;
        return false;
    }
    // Tab, Enter and Space work in every form as they do in dialogs.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && IsDialogMessageW(root, &msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

void Application::Run() {
    while (!terminated_ && HandleOneMessage()) {
    }
}

void Application::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (root && IsDialogMessageW(root, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Application::SetScreenCursor(LPCWSTR systemCursor) {
    screenCursor_ = systemCursor ? LoadCursorW(nullptr, systemCursor) : nullptr;
    POINT p;
    GetCursorPos(&p);
    SetCursor(screenCursor_ ? screenCursor_ : LoadCursorW(nullptr, IDC_ARROW));
    SetCursorPos(p.x, p.y);  // lets the window under the pointer set its own cursor again
}

}  // namespace kx::ui
