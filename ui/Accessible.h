// What screen readers ask the window layer's own controls: picture buttons, which draw their
// face from pictures, and the links a form paints itself, which have no window to ask.
#pragma once

#include <windows.h>

namespace kx::ui {

// IAccessible's interface id. MinGW's oleacc import library shadows the one in libuuid with
// an import stub, so the id is spelled out here.
inline constexpr IID AccessibleInterfaceId = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

class Form;
class WinControl;

// Answers to WM_GETOBJECT for the client object; 0 (let the platform answer) for any other.
// A button is named by its AccessibleText and pressed with BM_CLICK.
LRESULT AnswerButtonObject(WinControl& button, WPARAM flags, LPARAM objectId);
// A text field is named by its AccessibleName, which tells what its windowless label says.
LRESULT AnswerFieldObject(WinControl& field, WPARAM flags, LPARAM objectId);
// The form's client object lists the form's links as children, in reading order, ahead of the
// windowed controls the platform lists.
LRESULT AnswerFormObject(Form& form, WPARAM flags, LPARAM objectId);

}  // namespace kx::ui
