// Every message box of a program goes through here: the application title and the right icon.
#pragma once

#include <functional>
#include <string>

namespace kx::ui {

class Form;

enum class MessageIcon { Error, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

MessageAnswer ShowMessageBox(const Form* owner, const std::string& text, MessageIcon icon,
                             MessageButtons buttons = MessageButtons::Ok);

// Tests replace the platform box with a recorder that answers for the user.
struct MessageBoxRequest {
    const Form* Owner;
    std::string Caption;
    std::string Text;
    MessageIcon Icon;
    MessageButtons Buttons;
};
using MessageBoxPresenter = std::function<MessageAnswer(const MessageBoxRequest&)>;
void SetMessageBoxPresenter(MessageBoxPresenter presenter);  // empty restores the platform box

}  // namespace kx::ui
