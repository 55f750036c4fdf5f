#pragma once

#include <array>
#include <string>

#include "game/screens/GameDialog.h"

namespace Orva {

// The introduction of an area's guardian, opened by the travel map when the player reaches the
// area: the guardian's picture and a few words. Closing it moves the map's marker to the current
// way-point and, once it has slid away, starts the way-point's blinking.
class BossDlg : public GameDialog {
 public:
  static constexpr int kDialogId = 5;
  static constexpr int kOk = 1;

  // blinkCounter: the map's; 0 is written there when the dialog has gone.
  BossDlg(int* blinkCounter, GameApp* app);

  int Area() const { return area_; }

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;

 private:
  int* blinkCounter_;
  int area_;
  std::array<std::string, 6> texts_;
};

}  // namespace Orva
