#include "game/screens/StoryWidget.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"
#include "game/core/SafeFormat.h"
#include "game/particles/ParticleSystem.h"
#include "game/screens/BossDlg.h"
#include "game/screens/MainMenu.h"
#include "game/screens/ScreenButtons.h"

namespace Orva {

namespace {
constexpr int kPlayLabel = 26;
constexpr int kBackLabel = 25;
constexpr int kInformation = 27;
constexpr float kMarkerStep = 0.01f;

int ClampToInt(long long value) { return int(std::clamp<long long>(value, INT_MIN, INT_MAX)); }
}  // namespace

const std::array<Point, StoryWidget::kLevels> StoryWidget::kWayPoints = {{
    {107, 443}, {130, 419}, {162, 403}, {194, 399}, {226, 404}, {233, 364}, {203, 349}, {170, 350},
    {136, 349}, {108, 327}, {131, 269}, {169, 264}, {203, 270}, {234, 290}, {271, 283}, {288, 207},
    {257, 191}, {227, 210}, {199, 186}, {167, 207}, {96, 100},  {99, 70},   {121, 45},  {159, 41},
    {189, 52},  {253, 131}, {281, 146}, {312, 150}, {338, 137}, {356, 112},
}};

const std::array<Point, StoryWidget::kAreas> StoryWidget::kBossPoints = {{
    {16, 377},
    {254, 358},
    {29, 242},
    {299, 214},
    {98, 112},
    {215, 31},
}};

StoryWidget::StoryWidget(GameApp* app) : app_(app) {
  visible = false;
  play_ = std::make_unique<ButtonWidget>(PLAY, this);
  back_ = std::make_unique<ButtonWidget>(BACK, this);
  play_->navDefault = true;
  back_->navCancel = true;
  play_->Resize(517, 440, 118, 30);
  back_->Resize(394, 440, 118, 30);
}

StoryWidget::~StoryWidget() {
  for (ButtonWidget* button : {play_.get(), back_.get()})
    if (button->parent) button->parent->RemoveWidget(button);
}

void StoryWidget::SetMarker(const ParticleSystem* templ) {
  marker_ = templ ? templ->Copy() : nullptr;
  RestartMarker();
}

void StoryWidget::RestartMarker() {
  if (!marker_) return;
  const Point& at = kWayPoints[size_t(mLevel - 1)];
  marker_->Fire(float(at.x + kMarkerX), float(at.y + kMarkerY));
}

void StoryWidget::MoveMarker() {
  if (!marker_) return;
  const Point& at = kWayPoints[size_t(mLevel - 1)];
  marker_->MoveTo(float(at.x + kMarkerX), float(at.y + kMarkerY));
}

void StoryWidget::RecomputeAreas() {
  mAreas[0] = 0;
  for (int area = 1; area < kAreas; ++area) mAreas[size_t(area)] = kLevelsPerArea * area < mLevel ? area : area + 5;
}

int StoryWidget::CurrentAreaNumber() const {
  for (int area = 1; area < kAreas; ++area)
    if (mAreas[size_t(area)] != area) return area;
  return kAreas;
}

void StoryWidget::Attached(WidgetManager* manager) {
  Widget::Attached(manager);
  UseSmallButtonLook(*play_, app_->GetGameString(kPlayLabel));
  UseSmallButtonLook(*back_, app_->GetGameString(kBackLabel));
  for (ButtonWidget* button : {play_.get(), back_.get()})
    if (!HasWidget(button)) AddWidget(button);
}

void StoryWidget::Draw(Graphics* g) {
  if (!visible) return;
  if (IMAGE_STORYBKG) g->DrawImage(IMAGE_STORYBKG, 0, 0);
  if (marker_) marker_->Draw(g);
  if (IMAGE_BOSSES) {
    for (int area = 0; area < kAreas; ++area)
      g->DrawImageCel(IMAGE_BOSSES, kBossPoints[size_t(area)].x, kBossPoints[size_t(area)].y, mAreas[size_t(area)]);
  }
  if (IMAGE_WAYPOINTS) {
    for (int level = 1; level <= kLevels; ++level) {
      int cel = level > mLevel ? 0 : 2;
      if (level == mLevel) cel = blinkToggle == 0 ? 1 : 0;
      const Point& at = kWayPoints[size_t(level - 1)];
      g->DrawImageCel(IMAGE_WAYPOINTS, at.x, at.y, cel);
    }
  }
  if (IMAGE_SHADOWED_CUP) g->DrawImage(IMAGE_SHADOWED_CUP, 383, 25);
  if (IMAGE_INFOWND) g->DrawImage(IMAGE_INFOWND, 395, 220);
  if (FONT_BALOON) {
    const int stages = app_->mBoard ? app_->mBoard->stageCount : 1;
    const std::string text = SafeFormat(app_->GetGameString(kInformation),
                                        {mLevel, mStage, stages, app_->mLives, ClampToInt(app_->mTotalScore)});
    g->SetFont(FONT_BALOON);
    g->SetColor(Color(50, 40, 20));
    DrawStringWrapped(g, text, 420, 280, 10000000, -1, JUSTIFY_LEFT);
  }
}

void StoryWidget::OnButtonHoverStart(int) {
  if (!app_->mSlide.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void StoryWidget::OnButtonReleased(int id) {
  if (app_->mSlide.active) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  app_->mSlide.Start(this);
  slide_ = &app_->mSlide;
  if (id == BACK) {
    app_->mScreenState = GameApp::STATE_MENU;
    app_->ShowMainMenuBehind();
    widgetManager->BringToFront(this);
  } else {
    Play();
  }
  RestartMarker();
}

void StoryWidget::Play() {
  Board& board = *app_->mBoard;
  if (reloadImages) {
    board.FreeStagePictures();
    reloadImages = false;
  }
  // Sets the screen state, the music, the campaign mode, the lives and the stage pictures.
  board.StartStoryStage(CurrentAreaNumber());
  board.Resize(0, 0, 640, 480);
  if (!widgetManager->HasWidget(&board)) widgetManager->AddWidget(&board);
  widgetManager->BringToBack(&board);
  widgetManager->BringToFront(this);
  blinkToggle = 0;
  blinksLeft = kBlinks;
  blinkCounter = -1;
}

void StoryWidget::Update() {
  if (!visible) return;
  Widget::Update();

  if (slide_ != nullptr) {
    slide_->Step();
    MarkDirty();
    if (!slide_->active) {
      slide_ = nullptr;
      visible = false;
      if (app_->mScreenState == GameApp::STATE_STAGE) app_->PlayBoardInFront();
      return;
    }
  }

  if (app_->mLives <= 0) {
    app_->mLives = 3;
    if (app_->mBoard) app_->mBoard->SetLifeCount(3);
  }
  if (newArea && !app_->mSlide.active) {
    currentArea = (mLevel - 1) / kLevelsPerArea;
    newArea = false;
    bossIntro_ = true;
    blinkCounter = -1;
  }
  if ((mFirstBoss != 0 || bossIntro_) && !app_->mSlide.active) IntroduceGuardian();
  UpdateBlink();
  // The glowing marker moves every update; the rest of the map changes seldom, and the whole map
  // is then drawn again.
  const Rect markerBefore = marker_ ? marker_->Bounds() : Rect();
  if (marker_) marker_->Update(kMarkerStep);
  const Look look = LookKey();
  if (look != drawnLook_) {
    drawnLook_ = look;
    MarkDirty();
  } else if (marker_) {
    const Rect markerNow = marker_->Bounds();
    if (markerBefore.IsEmpty())
      MarkDirtyArea(markerNow);
    else if (markerNow.IsEmpty())
      MarkDirtyArea(markerBefore);
    else
      MarkDirtyArea(BoundingRect(markerBefore, markerNow));
  }
}

StoryWidget::Look StoryWidget::LookKey() const {
  Look key{visible,
           mLevel,
           mStage,
           blinkToggle,
           app_->mLives,
           app_->mTotalScore,
           app_->mBoard ? app_->mBoard->stageCount : -1,
           x,
           y,
           width,
           height};
  std::copy(mAreas.begin(), mAreas.end(), key.end() - kAreas);
  return key;
}

void StoryWidget::IntroduceGuardian() {
  bossIntro_ = false;
  // A new profile meets the guardian of the area it is in.
  if (mFirstBoss != 0) currentArea = (mLevel - 1) / kLevelsPerArea;
  mAreas[size_t(currentArea)] = currentArea;
  auto* dialog = new BossDlg(&blinkCounter, app_);
  dialog->Resize(145, 480, 370, 300);
  app_->RegisterDialog(dialog);
  if (mFirstBoss != 0) {
    mFirstBoss = 0;
    app_->WriteProfileKey("FB", "0");
  }
}

void StoryWidget::UpdateBlink() {
  if (blinkCounter == -1) return;
  if (blinkCounter < kBlinkTicks) {
    ++blinkCounter;
    return;
  }
  blinkCounter = 0;
  if (blinkToggle == 1) {
    blinkToggle = 0;
  } else if (--blinksLeft == 0) {
    blinkCounter = -1;
    blinksLeft = kBlinks;
  } else {
    blinkToggle = 1;
  }
  MarkDirty();
}

}  // namespace Orva
