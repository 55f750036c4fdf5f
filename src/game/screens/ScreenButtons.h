#pragma once

#include <string>

#include "framework/widgets/ButtonWidget.h"
#include "game/core/ResourceIds.h"

namespace Orva {

// The small wooden button of the game's screens and menus (map, endless, custom, help, winner,
// game menu, profiles): its three pictures, the menu font, pale blue turning white under the mouse.
inline void UseSmallButtonLook(ButtonWidget& button, const std::string& label) {
  button.upPicture = IMAGE_HMBUTTON;
  button.hoverPicture = IMAGE_FOCHMBUTTON;
  button.pressedPicture = IMAGE_PRESSHMBUTTON;
  if (FONT_MAIN_MENU && !button.font) button.SetFont(FONT_MAIN_MENU);
  button.SetColor(ButtonWidget::COLOR_LABEL, Color(205, 235, 255));
  button.SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color::White);
  button.label = label;
}

}  // namespace Orva
