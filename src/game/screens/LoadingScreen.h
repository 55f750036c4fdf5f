#pragma once

#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The first screen: a picture and a bar that fills as the resources load. Once loading has
// finished and the bar has been drawn full, it slides away over the main menu, frees its own
// pictures and deletes itself.
class LoadingScreen : public Widget {
 public:
  static constexpr int kBarWidth = 387;

  explicit LoadingScreen(GameApp* app) : app_(app) {}

  // Set by the application when loading has finished: the screen slides away with it.
  ScreenSlide* slide = nullptr;

  int ProgressWidth() const { return progressWidth_; }

  void Update() override;
  void Draw(Graphics* g) override;

 private:
  GameApp* app_;
  int progressWidth_ = 0;
  int drawnWidth_ = -1;  // the bar's width on screen, so it is redrawn only when it grows
};

}  // namespace Orva
