#pragma once

#include "framework/widgets/Widget.h"

namespace Orva {

// The horizontal slide of a full-screen screen: the widget moves 10 pixels left per update until
// it has travelled the distance (640, so a slide lasts 64 updates), uncovering the screen behind
// it. The application owns the one slide; the screen that starts it advances it from its own
// update. While it is active the menu screens ignore their buttons.
struct ScreenSlide {
  static constexpr int kDistance = 640;
  static constexpr int kStep = 10;

  Widget* widget = nullptr;
  bool active = false;
  int distance = kDistance;
  int delay = 0;  // updates the main menu holds its slide back (-1 once it has waited)

  void Start(Widget* moving) {
    widget = moving;
    active = true;
    distance = kDistance;
    delay = 0;
  }

  // One update of the slide: moves the widget a step, or ends the slide once the distance is
  // covered. Answers whether the slide is still active.
  bool Step() {
    if (!active) return false;
    if (distance > 0) {
      distance -= kStep;
      if (widget) widget->Resize(widget->x - kStep, 0, widget->width, widget->height);
      return true;
    }
    active = false;
    return false;
  }
};

}  // namespace Orva
