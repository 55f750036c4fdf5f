#include "tools/bot/CampaignDriver.h"

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/screens/BossDlg.h"
#include "game/screens/EnterValDlg.h"
#include "game/screens/GameDialog.h"
#include "game/screens/MainMenu.h"
#include "game/screens/MyDlg.h"
#include "game/screens/StoryWidget.h"
#include "game/screens/WinnerWidget.h"

namespace Orva {

namespace {
// Updates a hand takes between two clicks.
constexpr int kClickPause = 20;
}  // namespace

CampaignDriver::CampaignDriver(GameApp& app, HeadlessWindowSystem& input, Options options)
    : app_(app), input_(input), options_(std::move(options)) {}

CampaignDriver::~CampaignDriver() = default;

void CampaignDriver::Click(Widget* widget) {
  const Point at = widget->GetScreenPos();
  const int cx = at.x + widget->width / 2, cy = at.y + widget->height / 2;
  input_.QueueMouseMove(cx, cy);
  input_.QueueMouseDown(cx, cy);
  input_.QueueMouseUp(cx, cy);
  wait_ = kClickPause;
}

void CampaignDriver::Type(const std::string& text) {
  for (char c : text) input_.QueueChar(c);
  wait_ = kClickPause;
}

bool CampaignDriver::Step() {
  if (app_.shutdown) return false;
  PlayStage();
  if (wait_ > 0) {
    --wait_;
  } else if (input_.PendingMessages() == 0 && !(beforeAct && beforeAct())) {
    Act();
  }
  ++updates_;
  return app_.StepUntilUpdate();
}

bool CampaignDriver::RunUntil(const std::function<bool()>& condition, long long updateLimit) {
  for (long long i = 0; i < updateLimit; ++i) {
    if (condition()) return true;
    if (!Step()) break;
  }
  return condition();
}

bool CampaignDriver::PlayToWinnerScreen(long long updateLimit) {
  return RunUntil([&] { return app_.mWinnerWidget != nullptr && !app_.mBoard->IsSlidingOut(); }, updateLimit);
}

void CampaignDriver::PlayStage() {
  Board& board = *app_.mBoard;
  if (app_.mScreenState != GameApp::STATE_STAGE || board.resultDialog != nullptr) return;
  if (!bot_) bot_ = std::make_unique<StageBot>(board, StageBot::Options{options_.pace, 10, options_.seed});
  bot_->Tick();
}

void CampaignDriver::Act() {
  // The dialog in front takes the hand first.
  if (!app_.dialogOrder.empty()) {
    Dialog* top = app_.dialogOrder.back();
    auto* game = dynamic_cast<GameDialog*>(top);
    if (game == nullptr || game->Slide().active) return;
    if (auto* entry = dynamic_cast<EnterValDlg*>(top)) {
      if (entry->Edit()->text.empty()) {
        Type(options_.name);
        return;
      }
    }
    if (auto* result = dynamic_cast<MyDlg*>(top)) {
      const Board& board = *app_.mBoard;
      StageResult r{board.level,        board.stage,        result->type,    board.GetScore(),
                    board.GetMinutes(), board.GetSeconds(), board.GetShots()};
      results_.push_back(r);
      if (onStageResult) onStageResult(r);
    }
    // Every dialog of the campaign closes with the button of id 1 or 2 that comes first.
    for (Widget* child : top->children) {
      if (auto* button = dynamic_cast<ButtonWidget*>(child)) {
        Click(button);
        return;
      }
    }
    return;
  }
  if (app_.mSlide.active || app_.mBoard->IsSlidingOut() || app_.mLoadingScreen) return;
  if (app_.mWinnerWidget) return;
  StoryWidget& map = *app_.mStoryWidget;
  if (app_.mScreenState == GameApp::STATE_MAP && map.visible) {
    Click(map.Button(StoryWidget::PLAY));
  } else if (app_.mScreenState == GameApp::STATE_MENU && app_.mMainMenu && app_.mMainMenu->visible) {
    Click(app_.mMainMenu->Button(MainMenu::STORY));
  }
}

}  // namespace Orva
