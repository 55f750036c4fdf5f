#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/widgets/Dialog.h"
#include "framework/widgets/DialogButton.h"
#include "game/screens/SlideAnimation.h"

namespace Orva {

class GameApp;

// What the game's dialogs share: the dialog frame picture, no title, text or standard buttons,
// buttons of the game's dialog look as children (so they travel with the dialog as it slides),
// and the vertical slide. A dialog reports to its opener by writing its answer, the id of the
// button that closed it, into an integer the opener owns and polls (Dialog::kNoAnswer until then).
class GameDialog : public Dialog {
 public:
  static constexpr int kButtonWidth = 112;
  static constexpr int kButtonHeight = 29;

  GameDialog(GameApp* app, int dialogId);

  // Not dragged about while sliding.
  void MouseDown(int mx, int my, int button, int clickCount) override;
  using Dialog::MouseDown;

  const SlideAnimation& Slide() const { return slide_; }

 protected:
  // A button of the game's dialog look, labelled with string labelString, made a child of the
  // dialog at (bx, by) in the dialog's own coordinates.
  DialogButton* AddButton(int buttonId, int labelString, int bx, int by);
  // Removes the dialog from the application; it is deleted once the update is over.
  void Close();
  // Steps the slide; true once a slide-out has finished (then the dialog should close).
  bool StepSlide();

  GameApp* app_;
  SlideAnimation slide_;
  std::vector<std::unique_ptr<DialogButton>> buttons_;
};

// A message with one button, or a question with two (yes, no).
class YesNoDlg : public GameDialog {
 public:
  static constexpr int kDialogId = 4;
  static constexpr int kYes = 1;  // also the one button of a message
  static constexpr int kNo = 2;

  // answerTo may be null when nobody waits for the answer. A message writes fallback there when
  // closed (kNoAnswer: closing it answers nothing); a question writes the id of the button.
  YesNoDlg(int* answerTo, bool twoButtons, GameApp* app, int fallback);

  std::string text;  // set by the opener before adding; line breaks make several centred lines

  void Attached(WidgetManager* manager) override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;

 private:
  int* answerTo_;
  bool twoButtons_;
  int fallback_;
  int halfWidth_ = 175;
  std::vector<std::string> lines_;
  std::vector<int> lineX_;
};

}  // namespace Orva
