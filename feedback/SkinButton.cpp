#include "SkinButton.h"

#include <uxtheme.h>
#include <vssym32.h>

namespace kx::valedict {

SkinButton::SkinButton(ui::Form& parent, int left, int top, int width, int height)
    : TkxCustomButton(parent, left, top, width, height) {
    SetColor(GetSysColor(COLOR_BTNFACE));
}

void SkinButton::PaintContent(HDC dc, const RECT& area) {
    if (HTHEME theme = OpenThemeData(Handle(), L"BUTTON")) {
        const int state = !Enabled() ? PBS_DISABLED : Pressed() ? PBS_PRESSED : Hovered() ? PBS_HOT : PBS_NORMAL;
        DrawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &area, nullptr);
        CloseThemeData(theme);
    } else {
        RECT face = area;
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (Pressed() ? DFCS_PUSHED : 0));
    }
}

}  // namespace kx::valedict
