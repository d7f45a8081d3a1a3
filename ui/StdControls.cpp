#include "StdControls.h"

#include "Form.h"

#include <richedit.h>

namespace kx::ui {
namespace {

const wchar_t* RichEditClass() {
    static const bool loaded = LoadLibraryW(L"msftedit.dll") != nullptr;
    return loaded ? MSFTEDIT_CLASS : L"EDIT";
}

}  // namespace

PushButton::PushButton(Form& parent, int left, int top, int width, int height)
    : WinControl(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, left, top, width, height) {}

void PushButton::Click() {
    if (ModalResult != 0) Parent().SetModalResult(ModalResult);
    if (OnClick) OnClick();
}

bool PushButton::HandleCommand(WORD code) {
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

Edit::Edit(Form& parent, int left, int top, int width, int height)
    : WinControl(parent, L"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, left, top, width, height) {
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);  // no limit on the length
}

bool Edit::HandleColor(HDC dc, HBRUSH& brush) {
    SetTextColor(dc, Font().Color);
    SetBkColor(dc, RGB(255, 255, 255));
    brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    return true;
}

RichEdit::RichEdit(Form& parent, int left, int top, int width, int height)
    : WinControl(parent, RichEditClass(),
                 ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL |
                     ES_DISABLENOSCROLL | WS_TABSTOP,
                 WS_EX_CLIENTEDGE, left, top, width, height) {
    SendMessageW(Handle(), EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    SendMessageW(Handle(), EM_SETBKGNDCOLOR, 0, RGB(255, 255, 255));
}

}  // namespace kx::ui
