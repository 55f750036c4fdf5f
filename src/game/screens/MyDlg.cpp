#include "game/screens/MyDlg.h"

#include <algorithm>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"
#include "game/core/SafeFormat.h"
#include "game/screens/CustomGWidget.h"
#include "game/screens/EndlessScreen.h"
#include "game/screens/StoryWidget.h"
#include "game/screens/WinnerWidget.h"

namespace Orva {

namespace {
constexpr int kOkLabel = 8;
constexpr int kLostTitle = 41;
constexpr int kEndlessTitle = 42;
constexpr int kGameOverTitle = 78;
constexpr int kStoryStatistics = 62;
constexpr int kStoryStatisticsEnd = 63;
constexpr int kShortStatistics = 64;
constexpr int kShortStatisticsEnd = 65;
constexpr int kLastLevel = 30;
constexpr int kLevelsPerArea = 5;
}  // namespace

MyDlg::MyDlg(Board* board, GameApp* app) : GameDialog(app, kDialogId), board_(board) {}

MyDlg::~MyDlg() {
  if (board_->resultDialog == this) board_->resultDialog = nullptr;
}

std::string MyDlg::StatisticsText(GameApp& app, const Board& board, int type) {
  const int minutes = board.GetMinutes();
  const int seconds = board.GetSeconds();
  // The string table trims its texts, so the blank after "Time:" is the game's to write, at any
  // number of minutes.
  const std::string minutesPart = minutes < 10 ? " 0%i:" : " %i:";
  if (type == ENDLESS_OVER || board.mode == Board::MODE_CUSTOM) {
    const std::string format = app.GetGameString(kShortStatistics) + minutesPart + (seconds < 10 ? " 0%i" : "%i") +
                               app.GetGameString(kShortStatisticsEnd);
    return SafeFormat(format, {board.GetScore(), minutes, seconds, board.GetShots(), board.GetLargestGroup()});
  }
  const long long total = app.mTotalScore + board.GetScore();
  const std::string format = app.GetGameString(kStoryStatistics) + minutesPart + (seconds < 10 ? "0%i" : "%i") +
                             app.GetGameString(kStoryStatisticsEnd);
  return SafeFormat(format, {board.GetScore(), int(std::min<long long>(total, INT32_MAX)), minutes, seconds,
                             board.GetShots(), board.GetLargestGroup()});
}

void MyDlg::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  slide_.SlideIn();
  Resize(x, 480, width, height);
  if (type == ENDLESS_OVER) {
    title_ = app_->GetGameString(kEndlessTitle);
  } else if (type == STAGE_LOST) {
    title_ = app_->GetGameString(board_->GetLifeCount() > 0 ? kLostTitle : kGameOverTitle);
  }
  statistics_ = StatisticsText(*app_, *board_, type);
  if (buttons_.empty()) AddButton(kOk, kOkLabel, 66, type == STAGE_LOST ? 150 : 250);
}

void MyDlg::Draw(Graphics* g) {
  GameDialog::Draw(g);
  if (ShowsWinTitle()) {
    if (IMAGE_WINTITLE) g->DrawImage(IMAGE_WINTITLE, 55, 50);
  } else if (FONT_MAIN_MENU) {
    g->SetFont(FONT_MAIN_MENU);
    g->SetColor(Color::White);
    g->WriteString(title_, 122, 100, -1, JUSTIFY_CENTER);
  }
  if (type != STAGE_LOST && FONT_BALOON) {
    g->SetFont(FONT_BALOON);
    g->SetColor(Color(50, 40, 20));
    WriteWrapped(g, Rect(25, 125, 150, 300), statistics_, -1, JUSTIFY_LEFT);
  }
}

void MyDlg::OnButtonReleased(int) {
  if (slide_.IsSlidingOut()) return;
  app_->PlaySound(EFFECT_SIMPLE_BUTTON_CLICKED);
  slide_.SlideOut();
}

void MyDlg::Update() {
  GameDialog::Update();
  if (!StepSlide()) return;
  FollowUp();
  Close();
}

void MyDlg::FollowUp() {
  // Starting the stage again clears the board's score.
  stageScore_ = board_->GetScore();
  if (type == STAGE_WON) {
    StageWon();
  } else {
    StageLostOrEnded();
  }
  if (board_->mode == Board::MODE_STORY) {
    board_->LoadStageCount();
    app_->WriteProfileKey("LS", app_->mLastLifeScore);
  }
}

void MyDlg::ShowCustomGame(int area, int levelIndex) {
  GameApp& app = *app_;
  app.mScreenState = GameApp::STATE_CUSTOM;
  auto* screen = static_cast<CustomGWidget*>(app.AdoptScreen(std::make_unique<CustomGWidget>(&app)));
  screen->selectedArea = area;
  screen->selectedLevel = std::min(levelIndex, CustomGWidget::kAreas * kLevelsPerArea - 1);
  screen->Resize(0, 0, 640, 480);
  app.widgetManager->AddWidget(screen);
  app.widgetManager->BringToBack(screen);
}

void MyDlg::StageWon() {
  GameApp& app = *app_;
  Board& board = *board_;
  StoryWidget& map = *app.mStoryWidget;
  const bool story = board.mode == Board::MODE_STORY;
  bool campaignWon = false;
  if (board.stage >= board.stageCount) {
    board.StartSlideOut();
    if (!story) {
      // The custom game's screen comes back with the next level chosen, or the area's first
      // when the finished level was the area's last.
      const int area = (board.level - 1) / kLevelsPerArea;
      const bool lastOfArea = board.level - 1 == area * kLevelsPerArea + kLevelsPerArea - 1;
      ShowCustomGame(area, lastOfArea ? area * kLevelsPerArea : board.level);
      app.StopLevelMusic();
      app.PlayThemeMusic();
    } else if (map.mLevel >= kLastLevel) {
      campaignWon = true;
      app.mGamePassed = 1;
      app.mTotalScore = 0;
      app.mWinnerWidget = std::make_unique<WinnerWidget>(&app);
      WinnerWidget* winner = app.mWinnerWidget.get();
      app.widgetManager->AddWidget(winner);
      app.widgetManager->BringToBack(winner);
      winner->Resize(0, 0, 640, 480);
      app.mScreenState = GameApp::STATE_LAST_RESULT;
      map.mLevel = 1;
      map.mStage = 1;
      app.mLives = 3;
      map.RecomputeAreas();
      app.StopLevelMusic();
      app.PlaySound(EFFECT_FULL_WIN);
    } else {
      map.blinkCounter = 0;
      if (map.mLevel % kLevelsPerArea == 0) {
        map.newArea = true;
        map.reloadImages = true;
      }
      ++map.mLevel;
      if (!map.newArea) map.MoveMarker();
      map.mStage = 1;
      app.mScreenState = GameApp::STATE_MAP;
      map.visible = true;
      map.Resize(0, 0, 640, 480);
      if (!app.widgetManager->HasWidget(&map)) app.widgetManager->AddWidget(&map);
      app.widgetManager->BringToBack(&map);
      board.MarkDirty();
      app.StopLevelMusic();
      app.PlayThemeMusic();
    }
    app.widgetManager->BringToFront(&board);
  } else {
    ++board.stage;
    if (story) {
      ++map.mStage;
      board.LoadStage(-1, -1);
    } else {
      board.LoadStage(board.level, board.stage);
    }
    board.ResetBoard();
    board.TriggerStageWonEffect();
    board.SetActive(true);
  }
  if (!story) return;
  // The winner's total starts again from nothing: the last stage's score is not carried.
  if (!campaignWon) app.mTotalScore += stageScore_;
  app.WriteProfileKey("LEVEL", map.mLevel);
  app.WriteProfileKey("STAGE", map.mStage);
  app.WriteProfileKey("LIVES", app.mLives);
  app.WriteProfileKey("TOTALSCORE", app.mTotalScore);
  app.WriteProfileKey("GAMEPASSED", app.mGamePassed);
}

void MyDlg::StageLostOrEnded() {
  GameApp& app = *app_;
  Board& board = *board_;
  StoryWidget& map = *app.mStoryWidget;
  if (board.mode == Board::MODE_ENDLESS) {
    app.mEndlessScore = stageScore_;
    app.mEndlessSpeed = board.GetSpeedLevel();
    app.mEndlessMinutes = board.GetMinutes();
    app.mEndlessSeconds = board.GetSeconds();
    app.mEndlessChain = board.GetLargestGroup();
    app.WriteProfileKey("ENDLSCORE", app.mEndlessScore);
    app.WriteProfileKey("ENDLSPEED", app.mEndlessSpeed);
    app.WriteProfileKey("ENDLMIN", app.mEndlessMinutes);
    app.WriteProfileKey("ENDLSEC", app.mEndlessSeconds);
    app.WriteProfileKey("ENDLCHAIN", app.mEndlessChain);
    board.StartSlideOut();
    app.mScreenState = GameApp::STATE_ENDLESS;
    Widget* screen = app.AdoptScreen(std::make_unique<EndlessScreen>(&app));
    screen->Resize(0, 0, 640, 480);
    app.widgetManager->AddWidget(screen);
    app.widgetManager->BringToBack(screen);
    app.widgetManager->BringToFront(&board);
    app.StopLevelMusic();
    app.PlayThemeMusic();
    return;
  }
  if (board.GetLifeCount() > 0) {
    board.ResetBoard();
    board.SetActive(true);
  } else {
    board.StartSlideOut();
    if (board.mode != Board::MODE_STORY) {
      ShowCustomGame((board.level - 1) / kLevelsPerArea, board.level - 1);
    } else {
      map.mStage = 1;
      map.mLevel = 1;
      app.mLives = 3;
      map.reloadImages = true;
      map.RecomputeAreas();
      app.mTotalScore = 0;
      map.MoveMarker();
      app.mScreenState = GameApp::STATE_MAP;
      if (!app.widgetManager->HasWidget(&map)) app.widgetManager->AddWidget(&map);
      app.widgetManager->BringToBack(&map);
      map.Resize(0, 0, 640, 480);
      map.visible = true;
      board.MarkDirty();
    }
    app.widgetManager->BringToFront(&board);
    app.StopLevelMusic();
    app.PlayThemeMusic();
  }
  if (board.mode != Board::MODE_STORY) return;
  app.WriteProfileKey("LEVEL", map.mLevel);
  app.WriteProfileKey("STAGE", map.mStage);
  app.WriteProfileKey("LIVES", app.mLives);
  app.WriteProfileKey("TOTALSCORE", app.mTotalScore);
}

}  // namespace Orva
