#include "game/screens/Credits.h"

#include "framework/graphics/Graphics.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kCreditsText = 74;
}  // namespace

Credits::Credits(GameApp* app) : GameDialog(app, kDialogId), text_(app->GetGameString(kCreditsText)) {
  AddButton(kOk, kOkLabel, 115, 300)->navCancel = true;
}

void Credits::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  Resize(120, 480, 350, 350);
  slide_.SlideIn();
}

void Credits::Update() {
  GameDialog::Update();
  if (StepSlide()) Close();
}

void Credits::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(Color(50, 40, 20));
  DrawStringWrapped(g, text_, 70, 60, 200, 25, JUSTIFY_CENTER);
}

void Credits::OnButtonReleased(int) {
  if (slide_.IsSlidingOut()) return;
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  slide_.SlideOut();
}

}  // namespace Orva
