#pragma once

#include "framework/widgets/ButtonWidget.h"

namespace Orva {

class Graphics;

// The arrow button at either end of a scroll bar: a plain bevelled button with a small arrow,
// pushed in while held down with the mouse over it.
class ScrollbuttonWidget : public ButtonWidget {
 public:
  enum ArrowKind { ARROW_FROM_ID = 0, ARROW_UP = 1, ARROW_DOWN = 2, ARROW_LEFT = 3, ARROW_RIGHT = 4 };

  bool horizontal = false;  // set by the owning scroll bar
  // ARROW_FROM_ID: id 0 points up (left when horizontal), any other id down (right).
  int arrowKind = ARROW_FROM_ID;

  ScrollbuttonWidget(int buttonId, ButtonListener* buttonListener);

  void Draw(Graphics* g) override;
};

}  // namespace Orva
