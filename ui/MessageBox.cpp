#include "MessageBox.h"

#include "Application.h"
#include "Form.h"
#include "Text.h"

#include <windows.h>

namespace kx::ui {
namespace {

MessageBoxPresenter& Presenter() {
    static MessageBoxPresenter presenter;
    return presenter;
}

UINT IconFlag(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Error: return MB_ICONERROR;
        case MessageIcon::Warning: return MB_ICONWARNING;
        case MessageIcon::Question: return MB_ICONQUESTION;
        case MessageIcon::Information: return MB_ICONINFORMATION;
    }
    return 0;
}

// Until a program knows its title, its boxes carry its file name, as the platform's own do.
std::string BoxCaption() {
    const std::string& title = Application::Instance().Title();
    if (!title.empty()) return title;
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return FromWide(path.substr(path.find_last_of(L"\\/") + 1));
}

}  // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter) { Presenter() = std::move(presenter); }

MessageAnswer ShowMessageBox(const Form* owner, const std::string& text, MessageIcon icon, MessageButtons buttons) {
    const MessageBoxRequest request{owner, BoxCaption(), text, icon, buttons};
    if (Presenter()) return Presenter()(request);
    const UINT flags = IconFlag(icon) | (buttons == MessageButtons::OkCancel ? MB_OKCANCEL : MB_OK) |
                       (owner ? 0 : MB_TASKMODAL);
    const int answer = MessageBoxW(owner ? owner->Handle() : nullptr, ToWide(text).c_str(),
                                   ToWide(request.Caption).c_str(), flags);
    return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

}  // namespace kx::ui
