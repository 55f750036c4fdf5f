#include "framework/widgets/ScrollbuttonWidget.h"

#include "framework/graphics/Graphics.h"

namespace Orva {

namespace {

const Color kFace(212, 212, 212);
const Color kShade(132, 132, 132);

}  // namespace

ScrollbuttonWidget::ScrollbuttonWidget(int buttonId, ButtonListener* buttonListener)
    : ButtonWidget(buttonId, buttonListener) {
  // The list's own arrows scroll it; the bar's buttons are for the mouse.
  navigable = false;
}

void ScrollbuttonWidget::Draw(Graphics* g) {
  const int w = width;
  const int h = height;
  const bool pressed = LooksPressed();
  g->SetColor(kFace);
  g->FillRect(0, 0, w, h);
  int p = 0;
  if (pressed) {
    g->SetColor(kShade);
    g->DrawRect(0, 0, w - 1, h - 1);
    p = 1;
  } else {
    g->SetColor(Color::White);
    g->FillRect(1, 1, w - 2, 1);
    g->FillRect(1, 1, 1, h - 2);
    g->SetColor(Color::Black);
    g->FillRect(0, h - 1, w, 1);
    g->FillRect(w - 1, 0, 1, h);
    g->SetColor(kShade);
    g->FillRect(1, h - 2, w - 2, 1);
    g->FillRect(w - 2, 1, 1, h - 2);
  }

  // An explicit kind wins over the orientation and the id.
  int kind = arrowKind;
  if (kind < ARROW_UP || kind > ARROW_RIGHT) {
    if (horizontal)
      kind = id == 0 ? ARROW_LEFT : ARROW_RIGHT;
    else
      kind = id == 0 ? ARROW_UP : ARROW_DOWN;
  }
  g->SetColor(disabled ? kShade : Color::Black);
  // Four strips of 1, 3, 5 and 7 pixels, the first one at the tip.
  for (int k = 0; k < 4; ++k) {
    const int across = 2 * k + 1;
    switch (kind) {
      case ARROW_UP: g->FillRect(w / 2 - k - (1 - p), (h - 4) / 2 + p + k, across, 1); break;
      case ARROW_DOWN: g->FillRect(w / 2 - k - (1 - p), (h - 4) / 2 + p - k + 3, across, 1); break;
      case ARROW_LEFT: g->FillRect((w - 4) / 2 + p + k, h / 2 - k - (1 - p), 1, across); break;
      default: g->FillRect((w - 4) / 2 + p - k + 3, h / 2 - k - (1 - p), 1, across); break;
    }
  }
}

}  // namespace Orva
