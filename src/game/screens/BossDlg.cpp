#include "game/screens/BossDlg.h"

#include "framework/graphics/Graphics.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"
#include "game/screens/StoryWidget.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kFirstGuardianText = 44;
}  // namespace

BossDlg::BossDlg(int* blinkCounter, GameApp* app)
    : GameDialog(app, kDialogId), blinkCounter_(blinkCounter), area_(app->mStoryWidget->currentArea) {
  for (size_t i = 0; i < texts_.size(); ++i) texts_[i] = app->GetGameString(kFirstGuardianText + int(i));
  AddButton(kOk, kOkLabel, 130, 240)->navCancel = true;
}

void BossDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  slide_.SlideIn();
}

void BossDlg::Update() {
  GameDialog::Update();
  if (!StepSlide()) return;
  Close();
  *blinkCounter_ = 0;
}

void BossDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (IMAGE_BOSSES) g->DrawImageCel(IMAGE_BOSSES, 25, 60, area_);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(Color(50, 40, 20));
  WriteWrapped(g, Rect(140, 57, 200, 200), texts_[size_t(area_)], -1, JUSTIFY_LEFT);
}

void BossDlg::OnButtonReleased(int) {
  if (slide_.IsSlidingOut()) return;
  app_->mStoryWidget->MoveMarker();
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  slide_.SlideOut();
}

}  // namespace Orva
