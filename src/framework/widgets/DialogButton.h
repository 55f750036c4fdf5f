#pragma once

#include "framework/widgets/ButtonWidget.h"

namespace Orva {

class Graphics;
class Image;

// The button of dialogs: a ButtonWidget drawn from one stretchable frame picture (nine-sliced to
// the button's size), or from cells of it, with the label centred and shifted while pressed.
// Without a frame picture it draws as a plain ButtonWidget.
class DialogButton : public ButtonWidget {
 public:
  Image* framePicture = nullptr;  // not owned
  int pressShiftX = 1;            // how far the label (and a whole-picture frame) moves while pressed
  int pressShiftY = 1;
  int labelShiftX = 0;
  int labelShiftY = 0;

  DialogButton(Image* framePicture, int buttonId, ButtonListener* buttonListener);

  void Draw(Graphics* g) override;

 private:
  // The focus shown: the frame (cell, or the whole picture) added again on top.
  void DrawFocusGlow(Graphics* g, const Rect& cell);
};

}  // namespace Orva
