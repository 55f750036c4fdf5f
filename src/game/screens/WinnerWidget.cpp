#include "game/screens/WinnerWidget.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"
#include "game/screens/ScreenButtons.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
}

WinnerWidget::WinnerWidget(GameApp* app) : app_(app) {
  button_ = std::make_unique<ButtonWidget>(0, this);
  button_->navCancel = true;
  button_->Resize(250, 440, 118, 30);
}

WinnerWidget::~WinnerWidget() {
  if (button_->parent) button_->parent->RemoveWidget(button_.get());
}

void WinnerWidget::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  UseSmallButtonLook(*button_, app_->GetGameString(kOkLabel));
  // The label keeps its colour under the mouse.
  button_->SetColor(ButtonWidget::COLOR_LABEL_HILITE, Color(205, 235, 255));
  if (!HasWidget(button_.get())) AddWidget(button_.get());
}

void WinnerWidget::Draw(Graphics* g) {
  if (IMAGE_WINBKG) g->DrawImage(IMAGE_WINBKG, 0, 0);
}

void WinnerWidget::OnButtonHoverStart(int) {
  if (!app_->mSlide.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void WinnerWidget::OnButtonReleased(int) {
  if (app_->mSlide.active || slide_ != nullptr) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  app_->mScreenState = GameApp::STATE_MENU;
  app_->ShowMainMenuBehind();
  widgetManager->BringToFront(this);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
}

void WinnerWidget::Update() {
  Widget::Update();
  if (slide_ == nullptr) return;
  MarkDirty();
  if (slide_->Step()) return;
  slide_ = nullptr;
  if (parent) parent->RemoveWidget(this);
  app_->DeferDelete(app_->mWinnerWidget.release());
}

}  // namespace Orva
