// What screen readers ask the window layer's own controls: picture buttons, which draw their
// face from pictures, and the links a form paints itself, which have no window to ask.
#pragma once

#include <windows.h>

namespace kx::ui {

class Form;
class TkxCustomButton;

// Answers to WM_GETOBJECT for the client object; 0 (let the platform answer) for any other.
LRESULT AnswerButtonObject(TkxCustomButton& button, WPARAM flags, LPARAM objectId);
// The form's client object lists the form's links as children, in reading order, ahead of the
// windowed controls the platform lists.
LRESULT AnswerFormObject(Form& form, WPARAM flags, LPARAM objectId);

}  // namespace kx::ui
