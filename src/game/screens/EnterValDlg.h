#pragma once

#include <memory>
#include <string>

#include "framework/widgets/EditListener.h"
#include "framework/widgets/EditWidget.h"
#include "game/screens/GameDialog.h"

namespace Orva {

// The one-line entry of a profile name, with OK and (when allowed) Cancel. An empty name is
// refused with a message; what else a name may not be is for the opener to say.
class EnterValDlg : public GameDialog, public EditListener {
 public:
  static constexpr int kDialogId = 7;
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;
  static constexpr int kMaxChars = 20;

  // On OK or Cancel the answer (the button's id) goes to *answerTo and the text to *output; slideIn brings the
  // dialog up from below the screen.
  EnterValDlg(bool cancelAllowed, int* answerTo, std::string* output, GameApp* app, bool slideIn);

  std::string prompt;  // set by the opener before adding

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;

  // ---- EditListener
  void OnTextEntered(int id, const std::string& text) override;
  bool AllowChar(int id, char c) override;

  EditWidget* Edit() { return edit_.get(); }

 private:
  void Answer(int buttonId);

  bool cancelAllowed_;
  bool slideIn_;
  bool padHint_ = false;  // a pad was used last: how to type with it is shown
  int* answerTo_;
  std::string* output_;
  std::unique_ptr<EditWidget> edit_;
};

}  // namespace Orva
