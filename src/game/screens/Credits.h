#pragma once

#include <string>

#include "game/screens/GameDialog.h"

namespace Orva {

// Who made the game: the credits text of the string table (the team and the year), centred on the
// dialog frame, with an OK button. It slides in from below and away again.
class Credits : public GameDialog {
 public:
  static constexpr int kDialogId = 7;
  static constexpr int kOk = 1;

  explicit Credits(GameApp* app);

  const std::string& Text() const { return text_; }

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;

 private:
  std::string text_;
};

}  // namespace Orva
