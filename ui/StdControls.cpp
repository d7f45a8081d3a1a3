#include "StdControls.h"

#include "Accessible.h"
#include "Form.h"
#include "SystemLibrary.h"

#include <commctrl.h>
#include <richedit.h>

namespace kx::ui {
namespace {

const wchar_t* RichEditClass() {
    static const bool loaded = LoadSystemLibrary(L"msftedit.dll") != nullptr;
    return loaded ? MSFTEDIT_CLASS : L"EDIT";
}

// Tab moves on to the next control, as in dialogs; Ctrl+Tab still types a tab.
LRESULT CALLBACK TabLeavesRichEdit(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
    if (message == WM_GETDLGCODE && wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0)
        result &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    return result;
}

// Screen readers learn the button's role from us: not every platform's accessibility library
// knows the button class, and an owner-drawn one shows it nothing.
LRESULT CALLBACK ButtonAnswersReaders(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETOBJECT)
        if (WinControl* button = WinControl::FromHandle(hwnd))
            if (const LRESULT object = AnswerButtonObject(*button, wParam, lParam)) return object;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK FieldAnswersReaders(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETOBJECT)
        if (WinControl* field = WinControl::FromHandle(hwnd))
            if (const LRESULT object = AnswerFieldObject(*field, wParam, lParam)) return object;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

PushButton::PushButton(Form& parent, int left, int top, int width, int height)
    : WinControl(parent, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, left, top, width, height) {
    SetWindowSubclass(Handle(), ButtonAnswersReaders, 0, 0);
}

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
    SetWindowSubclass(Handle(), FieldAnswersReaders, 2, 0);
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
    SetWindowSubclass(Handle(), TabLeavesRichEdit, 1, 0);
    SetWindowSubclass(Handle(), FieldAnswersReaders, 2, 0);
}

}  // namespace kx::ui
