#include "URLLabel.h"

#include "Shell.h"
#include "Text.h"

namespace kx::ui {

TkxURLLabel::TkxURLLabel(Form& parent, int left, int top) : Label(parent, left, top) {
    FontSpec font = Font();
    font.Underline = true;
    font.Color = linkColor_;
    SetFont(font);
    SetCursor(IDC_HAND);
    SetAutoSize(true);
}

void TkxURLLabel::SetFontLinkColor(COLORREF color) {
    linkColor_ = color;
    SetFontColor(color);
}

void TkxURLLabel::MouseEnter() {
    SetFontColor(hoverColor_);
    Label::MouseEnter();
}

void TkxURLLabel::MouseLeave() {
    SetFontColor(linkColor_);
    Label::MouseLeave();
}

void TkxURLLabel::Click() {
    const std::string address = TrimControlAndBlank(URL);
    if (!address.empty()) OpenAddress(address, SW_SHOW);
    Label::Click();
}

}  // namespace kx::ui
