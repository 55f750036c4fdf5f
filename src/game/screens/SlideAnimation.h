#pragma once

#include "framework/widgets/Widget.h"

namespace Orva {

// The vertical slide of a game dialog: in from below the screen (a dialog placed at y 480 rises
// 400 pixels to y 80) and out again. The owner calls Step once per update and acts when the
// phase reaches FINISHED (it removes the dialog and marks the phase HANDLED).
struct SlideAnimation {
  enum Phase { HANDLED = -1, SLIDING_IN = 0, SHOWN = 1, SLIDING_OUT = 2, FINISHED = 3 };
  static constexpr int kDistance = 400;
  static constexpr int kStep = 10;

  Widget* owner = nullptr;
  bool active = false;
  int phase = SHOWN;
  int distance = 0;
  int step = 0;  // signed pixels per update

  void SlideIn() { Start(SLIDING_IN, -kStep); }
  void SlideOut() { Start(SLIDING_OUT, kStep); }

  void Step() {
    if (!active || owner == nullptr) return;
    int newY = owner->y;
    if (distance > 0) {
      distance -= kStep;
      newY += step;
    } else {
      ++phase;
      active = false;
    }
    owner->Resize(owner->x, newY, owner->width, owner->height);
  }

  bool IsSlidingOut() const { return phase == SLIDING_OUT || phase == FINISHED; }

 private:
  void Start(int startPhase, int signedStep) {
    phase = startPhase;
    step = signedStep;
    distance = kDistance;
    active = true;
  }
};

}  // namespace Orva
