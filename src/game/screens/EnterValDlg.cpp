#include "game/screens/EnterValDlg.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kCancelLabel = 9;
constexpr int kEmptyNameText = 15;
constexpr int kEditId = 0;
constexpr int kPadHint = 87;
}  // namespace

EnterValDlg::EnterValDlg(bool cancelAllowed, int* answerTo, std::string* output, GameApp* app, bool slideIn)
    : GameDialog(app, kDialogId),
      cancelAllowed_(cancelAllowed),
      slideIn_(slideIn),
      answerTo_(answerTo),
      output_(output) {
  edit_ = std::make_unique<EditWidget>(kEditId, this);
  edit_->SetColor(0, Color::White);
  edit_->SetColor(2, Color(0, 30, 160));
  edit_->maxChars = kMaxChars;
  if (FONT_BALOON) edit_->SetFont(FONT_BALOON);
  edit_->Resize(30, 65, 290, 25);
  AddWidget(edit_.get());
  if (cancelAllowed_) {
    AddButton(kOk, kOkLabel, 63, 100);
    AddButton(kCancel, kCancelLabel, 180, 100)->navCancel = true;
  } else {
    AddButton(kOk, kOkLabel, 115, 100);
  }
  // The name keeps the keyboard (see Update): Enter is OK and Escape Cancel, so the arrows have
  // nowhere to go.
  for (auto& button : buttons_) button->navigable = false;
}

void EnterValDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  if (slideIn_) {
    Resize(100, 480, 350, 150);
    slide_.SlideIn();
  } else {
    Resize(100, 80, 350, 150);
  }
  manager->SetFocus(edit_.get());
}

void EnterValDlg::Update() {
  GameDialog::Update();
  StepSlide();
  // Typing goes to the name whenever the entry is in front: a click on a button, or a message
  // closed over it, takes the keyboard focus away.
  if (widgetManager && widgetManager->modalWidget == this && widgetManager->focusWidget != edit_.get())
    widgetManager->SetFocus(edit_.get());
  const bool padHint = widgetManager && widgetManager->lastInputFromPad;
  if (padHint != padHint_) {
    padHint_ = padHint;
    MarkDirty();
  }
}

void EnterValDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(Color(50, 40, 20));
  g->DrawString(prompt, 30, 60);
  if (padHint_) {
    g->SetColor(Color(110, 85, 45));
    g->DrawString(app_->GetGameString(kPadHint), 30, 36);
  }
}

void EnterValDlg::OnButtonReleased(int buttonId) {
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  Answer(buttonId);
}

void EnterValDlg::OnTextEntered(int, const std::string&) { Answer(kOk); }

bool EnterValDlg::AllowChar(int, char c) { return c != '/' && c != '<' && c != '>' && c != '\\'; }

void EnterValDlg::Answer(int buttonId) {
  if (buttonId == kOk && edit_->text.empty()) {
    // The entry stays open under the message.
    app_->ShowMessage(app_->GetGameString(kEmptyNameText));
    return;
  }
  if (answerTo_) *answerTo_ = buttonId;
  if (output_) *output_ = edit_->text;
  Close();
}

}  // namespace Orva
