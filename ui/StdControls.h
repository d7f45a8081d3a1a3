// Thin wrappers over the platform's push button, one-line edit and rich-edit controls.
#pragma once

#include "Control.h"

#include <functional>
#include <string>

namespace kx::ui {

class PushButton : public WinControl {
public:
    PushButton(Form& parent, int left, int top, int width, int height);
    std::function<void()> OnClick;
    int ModalResult = 0;  // copied to the form on click
    void Click();
    bool HandleCommand(WORD code) override;
};

class Edit : public WinControl {
public:
    Edit(Form& parent, int left, int top, int width, int height);
    bool HandleColor(HDC dc, HBRUSH& brush) override;
};

// Multi-line rich text with both scroll bars; Text() gives the lines joined by CR LF.
class RichEdit : public WinControl {
public:
    RichEdit(Form& parent, int left, int top, int width, int height);
};

}  // namespace kx::ui
