#pragma once

#include <array>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/ParticleTemplates.h"
#include "game/core/StringTable.h"

namespace Orva {

// A board host without an application: silent, three lives, no menus. It records how the stage
// ended, and can serve the string table and the stage pictures from the working folder (the
// game folder) when asked to.
class HeadlessBoardHost : public BoardHost {
 public:
  struct Ending {
    int result = 0;
    int x = 0, y = 0, w = 0, h = 0;
  };

  // Reads "properties/strt.txt" for the texts the board shows; without it they are empty.
  void LoadStrings();
  // Lets LoadPicture read the stage pictures; without it the board plays on plain art.
  void EnablePictures(bool enable) { picturesEnabled_ = enable; }

  const std::vector<Ending>& Endings() const { return endings_; }
  bool HasEnded() const { return !endings_.empty(); }
  int SoundsPlayed() const { return soundsPlayed_; }

  int lives = 3;
  int mapLevel = 1, mapStage = 1;

  void PlaySound(int) override { ++soundsPlayed_; }
  void PlayLevelMusic(int) override {}
  void StopLevelMusic() override {}
  void StopThemeMusic() override {}
  const std::string& GetGameString(int index) override;
  int GetLives() override { return lives; }
  void SetLives(int n) override { lives = n; }
  long long GetTotalScore() override { return 0; }
  long long GetLastLifeTotal() override { return lastLifeTotal_; }
  void SetLastLifeTotal(long long total) override { lastLifeTotal_ = total; }
  void SetScreenState(int) override {}
  bool IsScreenSlideActive() override { return false; }
  int GetMapLevel() override { return mapLevel; }
  int GetMapStage() override { return mapStage; }
  void ShowPauseOverlay() override {}
  void HidePauseOverlay() override {}
  bool OpenGameMenu(Board*) override { return false; }
  void StageEnded(Board*, int result, int x, int y, int w, int h) override { endings_.push_back({result, x, y, w, h}); }
  std::unique_ptr<MemoryImage> LoadPicture(const std::string& path) override;

 private:
  std::unique_ptr<StringTable> strings_;
  std::string empty_;
  std::vector<Ending> endings_;
  int soundsPlayed_ = 0;
  long long lastLifeTotal_ = 0;
  bool picturesEnabled_ = false;
};

// The game's pictures, fonts and particle templates, loaded from the working
// folder (the game folder) the way the game loads them, for drawing the board without the game.
class BoardArt {
 public:
  BoardArt();
  ~BoardArt();
  BoardArt(const BoardArt&) = delete;
  BoardArt& operator=(const BoardArt&) = delete;

  // False with a message when a group, a binding or a particle file fails.
  bool Load(std::string& error);
  BoardParticles Particles() const;
  ImageHost* GetImageHost() { return host_.GetImageHost(); }

 private:
  StandaloneResourceHost host_;
  std::unique_ptr<ResourceManager> manager_;
  ParticleTemplates particles_;
};

// Plays a stage through the board's own input only: it aims, changes the carriage's rune and
// shoots, deciding from what the board shows.
//
// Pacing: it acts as a quick human would, never on two ticks in a row. After each action (an aim
// with a shot, or a change of rune) it waits options.minTicksBetween ticks plus a random 0 to
// options.extraTicksMax more (15 to 25 ticks by default: four to six actions a second). It only
// acts when the carriage's rune has come to rest and the input is not locked, as a player has to
// wait for both; a shot the board refuses is tried again 3 ticks later.
class StageBot {
 public:
  struct Options {
    int minTicksBetween = 15;
    int extraTicksMax = 10;
    unsigned seed = 1;
  };

  // What the bot wants to do now.
  struct Choice {
    int column = -1;      // -1: nothing possible
    bool change = false;  // change the rune instead of shooting
    int groupSize = 0;    // the same-colour group the shot would make (0 for a lightning shot)
  };

  StageBot(Board& board, Options options);

  // One tick of the player, called before each board.Update().
  void Tick();
  // The decision for the board as it is now (no pacing, no input given).
  Choice Decide() const;

  int Actions() const { return actions_; }
  int Changes() const { return changes_; }

 private:
  using Field = std::array<std::array<int, Board::kColumns>, Board::kRows>;

  bool CarriageReady() const;
  Field Anticipated() const;
  void Settle(Field& field, int column, int kind) const;
  int LandingRow(const Field& field, int column) const;
  int GroupSize(const Field& field, int row, int column, int kind, int* tokens) const;
  int ColumnValue(const Field& field, int column, int kind, int* groupSize) const;
  int NextColour(int current) const;

  Board& board_;
  Options options_;
  std::mt19937 random_;
  int wait_ = 0;
  int changesInARow_ = 0;
  int actions_ = 0;
  int changes_ = 0;
};

// The outcome of one stage played by the bot.
struct StageRun {
  int level = 0, stage = 0;
  int result = -2;  // 1 won, 0 lost, -2 not ended within the tick limit
  int score = 0;
  int shots = 0;
  int minutes = 0, seconds = 0, hundredths = 0;  // the board's clock
  int ticks = 0;                                 // updates run
};

// Plays the stage already loaded and reset on the board (active) until the host is told it ended
// or tickLimit updates have run. Each update is board.Update() then board.UpdateSmooth(1); when
// given, afterTick runs after each one (drawing, screenshots).
template <typename AfterTick>
StageRun PlayLoadedStage(Board& board, HeadlessBoardHost& host, StageBot& bot, int tickLimit, AfterTick afterTick) {
  StageRun run;
  run.level = board.level;
  run.stage = board.stage;
  while (!host.HasEnded() && run.ticks < tickLimit) {
    bot.Tick();
    board.Update();
    board.UpdateSmooth(1.0f);
    ++run.ticks;
    afterTick(run.ticks);
  }
  if (host.HasEnded()) run.result = host.Endings().back().result;
  run.score = board.GetScore();
  run.shots = board.GetShots();
  run.minutes = board.GetMinutes();
  run.seconds = board.GetSeconds();
  run.hundredths = board.GetTicks();
  return run;
}

inline StageRun PlayLoadedStage(Board& board, HeadlessBoardHost& host, StageBot& bot, int tickLimit) {
  return PlayLoadedStage(board, host, bot, tickLimit, [](int) {});
}

// "won", "lost" or "stuck".
const char* ResultName(int result);
// m:ss.cc
std::string ClockText(const StageRun& run);

}  // namespace Orva
