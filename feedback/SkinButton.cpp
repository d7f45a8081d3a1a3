#include "SkinButton.h"

#include "Font.h"
#include "Text.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace kx::valedict {

SkinButton::SkinButton(ui::Form& parent, int left, int top, int width, int height)
    : PushButton(parent, left, top, width, height) {
    const LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE);
    SetWindowLongPtrW(Handle(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
}

bool SkinButton::DrawFromMessage(LPARAM drawItem) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(drawItem);
    if (item->CtlType != ODT_BUTTON) return false;
    const auto* button = dynamic_cast<const SkinButton*>(WinControl::FromHandle(item->hwndItem));
    if (!button) return false;
    button->Draw(*item);
    return true;
}

void SkinButton::Draw(const DRAWITEMSTRUCT& item) const {
    RECT r = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (HTHEME theme = OpenThemeData(item.hwndItem, L"BUTTON")) {
        const int state = disabled ? PBS_DISABLED : pushed ? PBS_PRESSED : PBS_NORMAL;
        DrawThemeBackground(theme, item.hDC, BP_PUSHBUTTON, state, &r, nullptr);
        CloseThemeData(theme);
    } else {
        DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    }
    if (pushed) OffsetRect(&r, 1, 1);
    const std::wstring text = ToWide(Text());
    HGDIOBJ old = SelectObject(item.hDC, ui::FontHandle(Font()));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : Font().Color);
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(item.hDC, old);
}

}  // namespace kx::valedict
