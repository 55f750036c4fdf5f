#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tools/bot/StageBot.h"

namespace Orva {

class GameApp;
class HeadlessWindowSystem;
class Widget;

// Plays the campaign through the game's screens the way a player would: it clicks the buttons of
// the menu, the map and the dialogs with the mouse (scripted through the headless window system),
// types a name when asked, and plays every stage with the stage bot through the board's input. It
// runs the application's real loop, one update at a time.
//
// Between two clicks it waits a few updates, as a hand would, and never clicks while a screen or
// a dialog is still sliding.
class CampaignDriver {
 public:
  struct Options {
    std::string name = "Tester";  // typed when the game asks for a name
    unsigned seed = 1;
    int pace = 15;  // the stage bot's least ticks between actions
  };
  // One finished stage, as the result dialog showed it.
  struct StageResult {
    int level = 0, stage = 0;
    int result = 0;  // 1 won, 0 lost
    int score = 0;
    int minutes = 0, seconds = 0;
    int shots = 0;
  };

  CampaignDriver(GameApp& app, HeadlessWindowSystem& input, Options options);
  ~CampaignDriver();

  // Runs updates until the condition holds, the game ends, or the limit of updates is reached;
  // whether the condition holds.
  bool RunUntil(const std::function<bool()>& condition, long long updateLimit);
  // Plays from wherever the game is until the winner screen shows (true) or the limit is reached.
  bool PlayToWinnerScreen(long long updateLimit);
  // One update of the loop with the player's hand on it.
  bool Step();

  // A click in the middle of the widget, as mouse messages.
  void Click(Widget* widget);
  void Type(const std::string& text);

  const std::vector<StageResult>& Results() const { return results_; }
  long long Updates() const { return updates_; }
  // Called with each stage result as the result dialog opens (tables printed as the game goes).
  std::function<void(const StageResult&)> onStageResult;
  // Asked whenever the hand is free, before the driver's own next move: true when it acted
  // itself (a tool that mixes in moves of its own, such as pauses and menu visits).
  std::function<bool()> beforeAct;

 private:
  void Act();
  void PlayStage();

  GameApp& app_;
  HeadlessWindowSystem& input_;
  Options options_;
  std::unique_ptr<StageBot> bot_;
  int wait_ = 0;
  long long updates_ = 0;
  std::vector<StageResult> results_;
};

}  // namespace Orva
