// A push button drawn by the program so that its text can carry its own colour and weight,
// without a focus rectangle. Its form forwards WM_DRAWITEM to DrawFromMessage.
#pragma once

#include "StdControls.h"

namespace kx::valedict {

class SkinButton : public ui::PushButton {
public:
    SkinButton(ui::Form& parent, int left, int top, int width, int height);
    // True when the item was one of these buttons and has been drawn.
    static bool DrawFromMessage(LPARAM drawItem);

private:
    void Draw(const DRAWITEMSTRUCT& item) const;
};

}  // namespace kx::valedict
