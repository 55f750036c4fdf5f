#include "game/screens/PauseWidget.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {
constexpr int kPauseText = 70;
constexpr int kTextY = 240;
}  // namespace

void PauseWidget::Draw(Graphics* g) {
  g->SetColor(Color(0, 0, 0, 128));
  g->FillRect(0, 0, width, height);
  if (FONT_MAIN_MENU == nullptr) return;
  const std::string& text = app_->GetGameString(kPauseText);
  // Centred once, on the first draw; the text keeps that place.
  if (!textPlaced_) {
    textX_ = 320 - FONT_MAIN_MENU->StringWidth(text) / 2;
    textPlaced_ = true;
  }
  g->SetFont(FONT_MAIN_MENU);
  g->SetColor(Color(255, 255, 255));
  g->DrawString(text, textX_, kTextY);
}

void PauseWidget::MouseDown(int, int, int, int) {
  if (widgetManager != nullptr) widgetManager->RemoveWidget(this);
  if (app_->mScreenState != GameApp::STATE_STAGE || !app_->mBoard) return;
  Board& board = *app_->mBoard;
  // The paused flag goes whatever is open: a board left paused with no overlay would wait for an
  // Escape nobody knows to press. The dialogs resume the board themselves.
  board.SetPaused(false);
  if (board.resultDialog == nullptr && board.gameMenu == nullptr) board.SetActive(true);
  // The music comes back under the game menu too: resuming from the menu does not restart it.
  if (board.resultDialog == nullptr) app_->PlayLevelMusic(-1);
}

}  // namespace Orva
