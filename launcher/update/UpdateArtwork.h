// The update dialog's built-in pictures, drawn by the program when the dialog is made.
#pragma once

#include "Bitmap.h"

#include <memory>

namespace kx::portico {

std::shared_ptr<ui::Bitmap> UpdateBackground();  // 386 x 246

enum class ButtonState { Normal, MouseOn, MouseDown, Disabled };
std::shared_ptr<ui::Bitmap> UpdateButtonPicture(ButtonState state, bool primary);  // 114 x 32
std::shared_ptr<ui::Bitmap> UpdateCloseButtonPicture(ButtonState state);         // 44 x 18

}  // namespace kx::portico
