#include "game/screens/GameDialog.h"

#include <algorithm>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kYesLabel = 10;
constexpr int kNoLabel = 75;
const Color kTextColour(50, 40, 20);
}  // namespace

GameDialog::GameDialog(GameApp* app, int dialogId)
    : Dialog(IMAGE_DIALOG, dialogId, true, "", "", "", BUTTONS_NONE), app_(app) {
  slide_.owner = this;
}

void GameDialog::MouseDown(int mx, int my, int button, int clickCount) {
  if (!slide_.active) Dialog::MouseDown(mx, my, button, clickCount);
}

DialogButton* GameDialog::AddButton(int buttonId, int labelString, int bx, int by) {
  auto button = std::make_unique<DialogButton>(IMAGE_BUTTON, buttonId, this);
  button->label = app_->GetGameString(labelString);
  if (FONT_MAIN_MENU) button->SetFont(FONT_MAIN_MENU);
  button->SetColor(ButtonWidget::COLOR_LABEL, Color::White);
  button->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color::White);
  button->Resize(bx, by, kButtonWidth, kButtonHeight);
  button->focusGlow = 255;  // the dark frame has no hover look of its own
  AddWidget(button.get());
  buttons_.push_back(std::move(button));
  return buttons_.back().get();
}

void GameDialog::Close() {
  if (app_->FindDialog(id) == this) app_->CloseDialog(this);
}

bool GameDialog::StepSlide() {
  slide_.Step();
  if (slide_.phase != SlideAnimation::FINISHED) return false;
  slide_.phase = SlideAnimation::HANDLED;
  return true;
}

// ---- YesNoDlg

YesNoDlg::YesNoDlg(int* answerTo, bool twoButtons, GameApp* app, int fallback)
    : GameDialog(app, kDialogId), answerTo_(answerTo), twoButtons_(twoButtons), fallback_(fallback) {}

void YesNoDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  lines_.clear();
  lineX_.clear();
  for (size_t start = 0;;) {
    const size_t end = text.find('\n', start);
    lines_.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  int widest = 0;
  std::vector<int> widths;
  for (const std::string& line : lines_) {
    widths.push_back(FONT_BALOON ? FONT_BALOON->StringWidth(line) : 0);
    widest = std::max(widest, widths.back());
  }
  // A long message widens the dialog; one wider than the screen would leave it, so such a
  // dialog is centred instead of standing at x 100.
  const int dialogWidth = std::min(widest < 310 ? 350 : widest + 40, 640);
  const int dialogX = dialogWidth + 100 <= 640 ? 100 : (640 - dialogWidth) / 2;
  const int extraLines = int(lines_.size()) - 1;
  const int lineHeight = FONT_BALOON ? FONT_BALOON->GetLineSpacing() : 20;
  Resize(dialogX, 80, dialogWidth, 150 + extraLines * lineHeight);
  halfWidth_ = dialogWidth / 2;
  for (int w : widths) lineX_.push_back(halfWidth_ - w / 2);

  const int buttonY = 100 + extraLines * lineHeight;
  if (buttons_.empty()) {
    if (twoButtons_) {
      AddButton(kYes, kYesLabel, halfWidth_ - 115, buttonY);
      AddButton(kNo, kNoLabel, halfWidth_ + 3, buttonY)->navCancel = true;
    } else {
      AddButton(kYes, kOkLabel, halfWidth_ - 56, buttonY)->navCancel = true;
    }
  }
}

void YesNoDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(kTextColour);
  const int lineHeight = FONT_BALOON->GetLineSpacing();
  for (size_t i = 0; i < lines_.size(); ++i) g->DrawString(lines_[i], lineX_[i], 80 + int(i) * lineHeight);
}

void YesNoDlg::OnButtonReleased(int buttonId) {
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  if (answerTo_) *answerTo_ = twoButtons_ ? buttonId : fallback_;
  Close();
}

}  // namespace Orva
