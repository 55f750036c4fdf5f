#pragma once

#include <string>

#include "game/screens/GameDialog.h"

namespace Orva {

class Board;

// The end-of-stage dialog: the result of a stage won or lost, or of an endless game, with its
// statistics. When it has slid away it carries out what follows: the progress is saved, and the
// next stage starts, the stage starts again, or the field slides away to the travel map, the
// winner screen or the main menu.
class MyDlg : public GameDialog {
 public:
  static constexpr int kDialogId = 2;
  static constexpr int kOk = 2;
  enum Type { ENDLESS_OVER = -1, STAGE_LOST = 0, STAGE_WON = 1 };

  MyDlg(Board* board, GameApp* app);
  ~MyDlg() override;

  int type = STAGE_WON;  // set by whoever opens it, before adding

  const std::string& Title() const { return title_; }
  const std::string& Statistics() const { return statistics_; }
  // Whether the won title picture is drawn in place of the title text.
  bool ShowsWinTitle() const { return type == STAGE_WON; }

  void Attached(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics* g) override;
  void OnButtonReleased(int buttonId) override;

  // The statistics text for the field's last stage (the clock, score, shots and largest group).
  static std::string StatisticsText(GameApp& app, const Board& board, int type);

 private:
  void FollowUp();
  void StageWon();
  void StageLostOrEnded();
  // The custom game's screen behind the field, with this area and level chosen.
  void ShowCustomGame(int area, int levelIndex);

  Board* board_;
  std::string title_;
  std::string statistics_;
  int stageScore_ = 0;
};

}  // namespace Orva
