#pragma once

#include <array>
#include <memory>
#include <string>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The title screen: three large buttons (story, custom game, endless), the exit button and four
// small ones (help, settings, profiles, credits), a speech balloon with a hint for the button
// under the mouse or a welcome line, the name prompt on the very first start, and the slide that
// uncovers the next screen. It is made once and reused: screens that return to it show it again.
class MainMenu : public Widget, public ButtonListener {
 public:
  enum ButtonId { STORY = 0, CUSTOM = 1, ENDLESS = 2, EXIT = 3, HELP = 4, SETTINGS = 5, PROFILES = 6, CREDITS = 7 };
  static constexpr int kButtonCount = 8;
  static constexpr int kNoHint = 7;
  static constexpr int kSlideDelay = 25;  // updates the menu waits before it slides away

  explicit MainMenu(GameApp* app);
  ~MainMenu() override;

  // Set when no profile exists: the next update asks for the player's name.
  bool askName = false;

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;

  // ---- ButtonListener
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;
  void OnButtonHoverEnd(int id) override;

  ButtonWidget* Button(int id) { return buttons_[size_t(id)].get(); }
  bool IsBalloonVisible() const { return balloonVisible_; }
  int HoveredButton() const { return hovered_; }
  // The text in the balloon: the hovered button's hint, or the welcome line.
  std::string BalloonText() const;
  bool IsLeaving() const { return slide_ != nullptr; }

 private:
  enum Pending { NONE = 0, CREATE_PROFILE = 1, QUIT = 2, ASK_AGAIN = 3 };

  void LayOutButtons();
  void AskForName();
  void LeaveFor(Widget* screen, int screenState);

  GameApp* app_;
  std::array<std::unique_ptr<ButtonWidget>, kButtonCount> buttons_;
  std::array<std::string, kButtonCount> texts_;  // seven hints, then the welcome prefix
  int hovered_ = kNoHint;
  bool balloonVisible_ = false;
  int pending_ = NONE;
  int answer_ = Dialog::kNoAnswer;  // of the dialog the menu opened
  std::string enteredName_;
  ScreenSlide* slide_ = nullptr;  // the application's, while the menu slides away
};

}  // namespace Orva
