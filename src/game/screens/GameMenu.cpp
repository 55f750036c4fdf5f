#include "game/screens/GameMenu.h"

#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"
#include "game/screens/ScreenButtons.h"
#include "game/screens/SettingsDlg.h"

namespace Orva {

namespace {
constexpr int kLabels[] = {32, 33, 2, 0};
constexpr int kRestartQuestion = 34;
constexpr int kLeaveQuestion = 35;
}  // namespace

GameMenu::GameMenu(Board* board, GameApp* app) : GameDialog(app, kDialogId), board_(board) {
  for (int id = RESUME; id <= LEAVE; ++id) {
    DialogButton* button = AddButton(id, kLabels[id], 60, 75 + 35 * id);
    button->framePicture = nullptr;
    UseSmallButtonLook(*button, button->label);
    button->Resize(60, 75 + 35 * id, 118, 30);
    button->navCancel = id == RESUME;
  }
}

GameMenu::~GameMenu() {
  if (board_->gameMenu == this) board_->gameMenu = nullptr;
}

void GameMenu::Attached(WidgetManager* manager) {
  GameDialog::Attached(manager);
  slide_.SlideIn();
}

void GameMenu::OnButtonHoverStart(int) {
  if (!slide_.active) app_->PlaySound(EFFECT_MEDIUM_BUTTON_FOCUSED);
}

void GameMenu::OnButtonReleased(int buttonId) {
  if (slide_.active) return;
  app_->PlaySound(EFFECT_MEDIUM_BUTTON_CLICKED);
  pending_ = buttonId;
  switch (buttonId) {
    case RESUME: slide_.SlideOut(); break;
    case RESTART: app_->ShowMessage(app_->GetGameString(kRestartQuestion), &answer_, true); break;
    case SETTINGS: {
      auto* settings = new SettingsDlg(app_);
      settings->Resize(150, 480, 336, 300);
      app_->RegisterDialog(settings);
      break;
    }
    case LEAVE: app_->ShowMessage(app_->GetGameString(kLeaveQuestion), &answer_, true); break;
    default: break;
  }
}

void GameMenu::Update() {
  GameDialog::Update();
  if (answer_ != kNoAnswer) {
    if (answer_ == YesNoDlg::kYes && pending_ == RESTART) {
      board_->ResetBoard();
      pending_ = RESUME;
      slide_.SlideOut();
    } else if (answer_ == YesNoDlg::kYes && pending_ == LEAVE) {
      slide_.SlideOut();
    }
    answer_ = kNoAnswer;
  }
  if (!StepSlide()) return;
  Close();
  board_->gameMenu = nullptr;
  if (pending_ == LEAVE) {
    LeaveForTheMainMenu();
  } else {
    board_->SetActive(true);
  }
}

void GameMenu::LeaveForTheMainMenu() {
  Board& board = *board_;
  board.ClearGrid();
  board.StartSlideOut();
  // As the design has it: the field leaves as a custom game would (its pictures are read again
  // for the next stage).
  board.mode = Board::MODE_CUSTOM;
  app_->mScreenState = GameApp::STATE_MENU;
  app_->ShowMainMenuBehind();
  app_->StopLevelMusic();
  app_->PlayThemeMusic();
  app_->widgetManager->BringToFront(&board);
  board.MarkDirty();
}

}  // namespace Orva
