#pragma once

#include <memory>
#include <string>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The entry screen of the endless game: the player's last endless result, a button that starts an
// endless game and one back to the main menu. A new screen is made each time it is shown; it is
// handed to the application's deferred deletion once it has slid away.
class EndlessScreen : public Widget, public ButtonListener {
 public:
  enum ButtonId { BACK = 0, PLAY = 1 };

  explicit EndlessScreen(GameApp* app);
  ~EndlessScreen() override;

  // The last endless result as the information window shows it.
  static std::string ResultText(GameApp& app);

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  ButtonWidget* Button(int id) { return id == BACK ? back_.get() : play_.get(); }
  const std::string& Text() const { return text_; }

 private:
  GameApp* app_;
  std::unique_ptr<ButtonWidget> back_;
  std::unique_ptr<ButtonWidget> play_;
  std::string text_;
  ScreenSlide* slide_ = nullptr;
};

}  // namespace Orva
