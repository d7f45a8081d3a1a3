// The prompt's buttons: push buttons in the platform's look, drawn by the program so that their
// text can carry its own colour and weight, without a focus rectangle. Being windows of the
// program's own class, they need none of the common controls, so the prompt's first paint does
// not wait for those to load.
#pragma once

#include "ImageButton.h"

namespace kx::valedict {

class SkinButton : public ui::TkxCustomButton {
public:
    SkinButton(ui::Form& parent, int left, int top, int width, int height);

protected:
    void PaintContent(HDC dc, const RECT& area) override;
};

}  // namespace kx::valedict
