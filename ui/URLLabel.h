// The link label: an underlined label with a hand cursor that changes colour under the pointer.
#pragma once

#include "Label.h"

#include <string>

namespace kx::ui {

class TkxURLLabel : public Label {
public:
    TkxURLLabel(Form& parent, int left, int top);

    std::string URL;  // opened on click when not blank

    void SetFontLinkColor(COLORREF color);  // also the colour shown from now on
    void SetFontHoverColor(COLORREF color) { hoverColor_ = color; }
    COLORREF FontLinkColor() const { return linkColor_; }
    COLORREF FontHoverColor() const { return hoverColor_; }

    void MouseEnter() override;
    void MouseLeave() override;
    void Click() override;
    bool IsLink() const override { return true; }

private:
    COLORREF linkColor_ = RGB(0, 0, 255);
    COLORREF hoverColor_ = RGB(255, 0, 0);
};

}  // namespace kx::ui
