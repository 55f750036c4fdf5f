#pragma once

#include <memory>
#include <string>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Widget.h"
#include "game/screens/GameDialog.h"

namespace Orva {

class GameApp;
struct ScreenSlide;

// The help texts over the help screen: the goal, the mouse controls beside their pictures, the
// five bonuses beside their icons, and how a stage is won and lost. Not modal: the screen's back
// button stays usable.
class HelpDlg : public GameDialog {
 public:
  static constexpr int kDialogId = 3;

  explicit HelpDlg(GameApp* app);

  void Draw(Graphics* g) override;
};

// The help screen: a background, the help dialog over it and a back button. The screen and its
// dialog slide away together; both go once the slide is over.
class HelpWidget : public Widget, public ButtonListener {
 public:
  explicit HelpWidget(GameApp* app);
  ~HelpWidget() override;

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  ButtonWidget* Button() { return back_.get(); }
  HelpDlg* Dialog() { return dialog_; }

 private:
  GameApp* app_;
  std::unique_ptr<ButtonWidget> back_;
  HelpDlg* dialog_ = nullptr;  // registered with the application, which deletes it when closed
  ScreenSlide* slide_ = nullptr;
};

}  // namespace Orva
