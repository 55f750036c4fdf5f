#pragma once

#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;

// The translucent overlay the application puts over the whole window when it loses the focus
// (and the board when Escape pauses it). A click anywhere removes it; during a stage it also
// resumes the board and its music.
class PauseWidget : public Widget {
 public:
  explicit PauseWidget(GameApp* app) : app_(app) {}

  void Draw(Graphics* g) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  using Widget::MouseDown;

  // Where the text starts; 0 until the first draw centres it (it is not moved afterwards).
  int TextX() const { return textX_; }

 private:
  GameApp* app_;
  int textX_ = 0;
  bool textPlaced_ = false;
};

}  // namespace Orva
