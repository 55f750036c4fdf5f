#include "game/screens/HelpWidget.h"

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/core/ResourceIds.h"
#include "game/screens/ScreenButtons.h"

namespace Orva {

namespace {
constexpr int kBackLabel = 25;
// The goal, the mouse, the bonuses, winning and losing, then the keys and the pad below the mouse.
struct HelpText {
  int string;
  Point at;
};
constexpr HelpText kTexts[] = {{81, {28, 50}},  {82, {441, 120}}, {83, {60, 121}},
                               {84, {35, 373}}, {85, {370, 258}}, {86, {370, 303}}};
constexpr Point kMouseAt[] = {{394, 119}, {403, 160}, {403, 201}};
// The bonus icons in the order tripple, slow, colour wipe, bomb, lightning.
constexpr Point kBonusAt[] = {{27, 121}, {27, 179}, {27, 259}, {27, 220}, {27, 300}};
constexpr int kIconSize = 30;
}  // namespace

HelpDlg::HelpDlg(GameApp* app) : GameDialog(app, kDialogId) { modal = false; }

void HelpDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (FONT_BALOON) {
    g->SetFont(FONT_BALOON);
    g->SetColor(Color(50, 40, 20));
    for (const HelpText& text : kTexts)
      DrawStringWrapped(g, app_->GetGameString(text.string), text.at.x, text.at.y, 10000000, 20, JUSTIFY_LEFT);
  }
  Image* mice[] = {IMAGE_MOUSE_MOVE, IMAGE_MOUSE_SHOOT, IMAGE_MOUSE_CHANGER};
  for (int i = 0; i < 3; ++i)
    if (mice[i]) g->DrawImage(mice[i], kMouseAt[i].x, kMouseAt[i].y);
  if (IMAGE_SMALL_BONUS) {
    for (int kind = 0; kind < 5; ++kind)
      g->DrawImage(IMAGE_SMALL_BONUS, kBonusAt[kind].x, kBonusAt[kind].y,
                   Rect(kIconSize * kind, 0, kIconSize, kIconSize));
  }
}

HelpWidget::HelpWidget(GameApp* app) : app_(app) {
  back_ = std::make_unique<ButtonWidget>(0, this);
  back_->navCancel = true;
  back_->Resize(245, 445, 118, 30);
}

HelpWidget::~HelpWidget() {
  if (back_->parent) back_->parent->RemoveWidget(back_.get());
  if (dialog_ && app_->FindDialog(HelpDlg::kDialogId) == dialog_) app_->CloseDialog(dialog_);
}

void HelpWidget::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  UseSmallButtonLook(*back_, app_->GetGameString(kBackLabel));
  if (!HasWidget(back_.get())) AddWidget(back_.get());
}

void HelpWidget::Draw(Graphics* g) {
  if (IMAGE_HELPBKG) g->DrawImage(IMAGE_HELPBKG, 0, 0);
}

void HelpWidget::OnButtonHoverStart(int) {
  if (!app_->mSlide.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void HelpWidget::OnButtonReleased(int) {
  if (app_->mSlide.active || slide_ != nullptr) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  app_->mScreenState = GameApp::STATE_MENU;
  app_->ShowMainMenuBehind();
  widgetManager->BringToFront(this);
  if (dialog_) widgetManager->BringToFront(dialog_);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
}

void HelpWidget::Update() {
  Widget::Update();
  // The texts come once the screen is uncovered: a dialog is drawn over every screen, and would
  // stand over the main menu while it slides away.
  if (dialog_ == nullptr && slide_ == nullptr && !app_->mSlide.active) {
    dialog_ = new HelpDlg(app_);
    dialog_->Resize(10, -10, 630, 460);
    app_->RegisterDialog(dialog_);
  }
  if (slide_ == nullptr) return;
  MarkDirty();
  if (slide_->Step()) {
    if (dialog_) dialog_->Resize(dialog_->x - ScreenSlide::kStep, dialog_->y, dialog_->width, dialog_->height);
    return;
  }
  slide_ = nullptr;
  if (dialog_) app_->CloseDialog(dialog_);
  dialog_ = nullptr;
  app_->ReleaseScreen(this);
}

}  // namespace Orva
