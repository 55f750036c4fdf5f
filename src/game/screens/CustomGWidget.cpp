#include "game/screens/CustomGWidget.h"

#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"
#include "game/screens/ScreenButtons.h"
#include "game/screens/StoryWidget.h"

namespace Orva {

namespace {
constexpr int kBackLabel = 25;
constexpr int kPlayLabel = 26;
constexpr Point kWayPointOffsets[5] = {{34, -28}, {-25, 20}, {94, 20}, {-5, 83}, {72, 83}};

bool InSquare(int px, int py, int left, int top, int right, int bottom) {
  return px >= left && px <= right && py >= top && py <= bottom;
}
}  // namespace

const std::array<Point, CustomGWidget::kAreas> CustomGWidget::kCentres = {{
    {75, 50},
    {245, 50},
    {415, 50},
    {75, 250},
    {245, 250},
    {415, 250},
}};

Point CustomGWidget::WayPoint(int area, int k) {
  return Point{kCentres[size_t(area)].x + kWayPointOffsets[k].x, kCentres[size_t(area)].y + kWayPointOffsets[k].y};
}

CustomGWidget::CustomGWidget(GameApp* app) : app_(app) {
  const int level = app->mStoryWidget->mLevel;
  // An area opens once all its levels are completed (or the whole game is).
  for (int area = 1; area < kAreas; ++area)
    areas_[size_t(area)] = app->mGamePassed == 1 || 5 * area + 5 < level ? area : area + 5;
  back_ = std::make_unique<ButtonWidget>(BACK, this);
  play_ = std::make_unique<ButtonWidget>(PLAY, this);
  back_->navCancel = true;
  navigable = true;
  navDefault = true;
  back_->Resize(394, 440, 118, 30);
  play_->Resize(517, 440, 118, 30);
}

CustomGWidget::~CustomGWidget() {
  for (ButtonWidget* button : {back_.get(), play_.get()})
    if (button->parent) button->parent->RemoveWidget(button);
}

void CustomGWidget::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  UseSmallButtonLook(*back_, app_->GetGameString(kBackLabel));
  UseSmallButtonLook(*play_, app_->GetGameString(kPlayLabel));
  for (ButtonWidget* button : {back_.get(), play_.get()})
    if (!HasWidget(button)) AddWidget(button);
}

void CustomGWidget::Draw(Graphics* g) {
  if (IMAGE_CUSTOMBKG) g->DrawImage(IMAGE_CUSTOMBKG, 0, 0);
  for (int area = 0; area < kAreas; ++area) {
    const Point& at = kCentres[size_t(area)];
    Image* circle = area == selectedArea ? IMAGE_SELECTED_CIRCLE
                    : area == hovered_   ? IMAGE_FOCUS_CIRCLE
                                         : IMAGE_CUS_CIRCLE;
    if (circle) g->DrawImage(circle, at.x - 12, at.y - 13);
    if (IMAGE_BOSSES) g->DrawImageCel(IMAGE_BOSSES, at.x, at.y, areas_[size_t(area)]);
  }
  if (!IMAGE_WAYPOINTS) return;
  for (int area = 0; area < kAreas; ++area) {
    if (!IsUnlocked(area)) continue;
    for (int k = 0; k < 5; ++k) {
      const Point at = WayPoint(area, k);
      g->DrawImageCel(IMAGE_WAYPOINTS, at.x, at.y, 5 * area + k == selectedLevel ? 1 : 0);
    }
  }
}

void CustomGWidget::MouseMove(int mx, int my) {
  int hovered = -1;
  for (int area = 0; area < kAreas && hovered == -1; ++area) {
    const Point& at = kCentres[size_t(area)];
    if (InSquare(mx, my, at.x - 30, at.y - 30, at.x + 135, at.y + 135)) hovered = area;
  }
  if (hovered == hovered_) return;
  hovered_ = hovered;
  if (hovered_ != -1) app_->PlaySound(EFFECT_BIG_BUTTON_FOCUSED);
  MarkDirty();
}

void CustomGWidget::MouseDown(int mx, int my, int clickCount) {
  MouseMove(mx, my);
  if (clickCount < 1 || hovered_ == -1 || !IsUnlocked(hovered_) || slide_ != nullptr) return;
  int chosen = 0;
  for (int k = 0; k < 5; ++k) {
    const Point at = WayPoint(hovered_, k);
    if (InSquare(mx, my, at.x - 5, at.y - 5, at.x + 30, at.y + 30)) {
      chosen = k;
      break;
    }
  }
  selectedLevel = 5 * hovered_ + chosen;
  selectedArea = hovered_;
  app_->PlaySound(EFFECT_BIG_BUTTON_CLICKED);
  MarkDirty();
}

bool CustomGWidget::WantsKey(int key) {
  return key == KEYCODE_LEFT || key == KEYCODE_RIGHT || key == KEYCODE_UP || key == KEYCODE_DOWN;
}

void CustomGWidget::KeyDown(int key) {
  if (!WantsKey(key) || slide_ != nullptr) return;
  const int step = key == KEYCODE_LEFT ? -1 : key == KEYCODE_RIGHT ? 1 : key == KEYCODE_UP ? -5 : 5;
  // The nearest open level that way; the choice stays where none is.
  for (int level = selectedLevel + step; level >= 0 && level < 5 * kAreas; level += step) {
    if (!IsUnlocked(level / 5)) continue;
    selectedLevel = level;
    selectedArea = level / 5;
    app_->PlaySound(EFFECT_BIG_BUTTON_FOCUSED);
    MarkDirty();
    return;
  }
}

bool CustomGWidget::Activate() {
  OnButtonReleased(PLAY);
  return true;
}

void CustomGWidget::OnButtonHoverStart(int) {
  if (!app_->mSlide.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void CustomGWidget::OnButtonReleased(int id) {
  if (app_->mSlide.active || slide_ != nullptr) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  if (id == BACK) {
    app_->mScreenState = GameApp::STATE_MENU;
    app_->ShowMainMenuBehind();
  } else {
    // Music, screen state, the custom mode, the area's pictures, the reset and three lives.
    Board& board = *app_->mBoard;
    board.StartCustomStage(selectedLevel, selectedArea);
    board.Resize(0, 0, 640, 480);
    if (!widgetManager->HasWidget(&board)) widgetManager->AddWidget(&board);
    widgetManager->BringToBack(&board);
  }
  widgetManager->BringToFront(this);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
}

void CustomGWidget::Update() {
  Widget::Update();
  if (slide_ == nullptr) return;
  MarkDirty();
  if (slide_->Step()) return;
  slide_ = nullptr;
  if (app_->mScreenState == GameApp::STATE_STAGE) app_->PlayBoardInFront();
  app_->ReleaseScreen(this);
}

}  // namespace Orva
