#pragma once

#include "game/screens/GameDialog.h"

namespace Orva {

class Board;

// The in-game menu the playing field's menu button opens: resume, restart the stage, settings,
// or leave for the main menu. Play stops while it is open; it slides in from below and away again.
class GameMenu : public GameDialog {
 public:
  static constexpr int kDialogId = 1;
  enum ButtonId { RESUME = 0, RESTART = 1, SETTINGS = 2, LEAVE = 3 };

  GameMenu(Board* board, GameApp* app);
  ~GameMenu() override;

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void OnButtonReleased(int buttonId) override;
  void OnButtonHoverStart(int buttonId) override;

  ButtonWidget* Button(int id) { return buttons_[size_t(id)].get(); }

 private:
  void LeaveForTheMainMenu();

  Board* board_;
  int pending_ = RESUME;
  int answer_ = kNoAnswer;
};

}  // namespace Orva
