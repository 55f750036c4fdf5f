#pragma once

namespace Orva {

// Receives a button's events. Every operation is optional; a press with the mouse's click count
// falls back to the plain press, so most listeners override only OnButtonPressed(id) or
// OnButtonReleased(id).
class ButtonListener {
 public:
  virtual ~ButtonListener() = default;

  // clickCount as the manager reports it: 1 left, 2 double, -1 right, -2 right double, 3 middle.
  // A press by the keyboard or a pad comes as a left click.
  virtual void OnButtonMousePressed(int id, int clickCount) {
    (void)clickCount;
    OnButtonPressed(id);
  }
  virtual void OnButtonPressed(int id) { (void)id; }
  virtual void OnButtonReleased(int id) { (void)id; }
  virtual void OnButtonHeld(int id) { (void)id; }
  virtual void OnButtonHoverStart(int id) { (void)id; }
  virtual void OnButtonHoverEnd(int id) { (void)id; }
  virtual void OnButtonHoverMove(int id, int x, int y) {
    (void)id;
    (void)x;
    (void)y;
  }
};

}  // namespace Orva
