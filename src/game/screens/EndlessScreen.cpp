#include "game/screens/EndlessScreen.h"

#include <algorithm>

#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"
#include "game/core/SafeFormat.h"
#include "game/screens/ScreenButtons.h"

namespace Orva {

namespace {
constexpr int kBackLabel = 25;
constexpr int kPlayLabel = 26;
constexpr int kResult = 67;
constexpr int kResultEnd = 68;
constexpr int kFirstSpeedName = 50;
constexpr int kSpeedNames = 5;
}  // namespace

EndlessScreen::EndlessScreen(GameApp* app) : app_(app) {
  back_ = std::make_unique<ButtonWidget>(BACK, this);
  play_ = std::make_unique<ButtonWidget>(PLAY, this);
  play_->navDefault = true;
  back_->navCancel = true;
  back_->Resize(394, 440, 118, 30);
  play_->Resize(517, 440, 118, 30);
}

EndlessScreen::~EndlessScreen() {
  for (ButtonWidget* button : {back_.get(), play_.get()})
    if (button->parent) button->parent->RemoveWidget(button);
}

std::string EndlessScreen::ResultText(GameApp& app) {
  // The blank after the label is the game's to write (the string table trims its texts).
  const std::string format = app.GetGameString(kResult) + (app.mEndlessMinutes < 10 ? " 0%i:" : " %i:") +
                             (app.mEndlessSeconds < 10 ? "0%i" : "%i") + app.GetGameString(kResultEnd);
  const std::string speed = app.GetGameString(kFirstSpeedName + std::clamp(app.mEndlessSpeed, 0, kSpeedNames - 1));
  const int score = int(std::min<long long>(app.mEndlessScore, INT32_MAX));
  return SafeFormat(format, {score, speed, app.mEndlessMinutes, app.mEndlessSeconds, app.mEndlessChain});
}

void EndlessScreen::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  UseSmallButtonLook(*back_, app_->GetGameString(kBackLabel));
  UseSmallButtonLook(*play_, app_->GetGameString(kPlayLabel));
  for (ButtonWidget* button : {back_.get(), play_.get()})
    if (!HasWidget(button)) AddWidget(button);
  text_ = ResultText(*app_);
}

void EndlessScreen::Draw(Graphics* g) {
  if (IMAGE_INFINITEBKG) g->DrawImage(IMAGE_INFINITEBKG, 0, 0);
  if (IMAGE_INFOWND) g->DrawImage(IMAGE_INFOWND, 395, 220);
  if (!FONT_BALOON) return;
  g->SetFont(FONT_BALOON);
  g->SetColor(Color(50, 40, 20));
  DrawStringWrapped(g, text_, 420, 280, 10000000, -1, JUSTIFY_LEFT);
}

void EndlessScreen::OnButtonHoverStart(int) {
  if (!app_->mSlide.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void EndlessScreen::OnButtonReleased(int id) {
  if (app_->mSlide.active || slide_ != nullptr) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  if (id == BACK) {
    app_->mScreenState = GameApp::STATE_MENU;
    app_->ShowMainMenuBehind();
  } else {
    // Music, pictures (the same number n for both), the endless parameters and the reset.
    Board& board = *app_->mBoard;
    board.StartEndless();
    board.Resize(0, 0, 640, 480);
    if (!widgetManager->HasWidget(&board)) widgetManager->AddWidget(&board);
    widgetManager->BringToBack(&board);
  }
  widgetManager->BringToFront(this);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
}

void EndlessScreen::Update() {
  Widget::Update();
  if (slide_ == nullptr) return;
  MarkDirty();
  if (slide_->Step()) return;
  slide_ = nullptr;
  if (app_->mScreenState == GameApp::STATE_STAGE) app_->PlayBoardInFront();
  app_->ReleaseScreen(this);
}

}  // namespace Orva
