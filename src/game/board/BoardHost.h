#pragma once

#include <memory>
#include <string>

namespace Orva {

class Board;
class MemoryImage;

// What the playing field needs of the application around it: sound, strings, the player's lives
// and scores, the pause overlay, and the screens a stage hands over to. The game application
// implements it; the board's tests use a recording stand-in.
class BoardHost {
 public:
  virtual ~BoardHost() = default;

  // ---- Audio (effect numbers as in the game's sound table)
  virtual void PlaySound(int effect) = 0;
  // n 1..4 opens and plays level music n; -1 restarts the current one.
  virtual void PlayLevelMusic(int n) = 0;
  virtual void StopLevelMusic() = 0;
  virtual void StopThemeMusic() = 0;

  // ---- Texts of the string table
  virtual const std::string& GetGameString(int index) = 0;

  // ---- The player's campaign: lives carried from stage to stage, total score and the total at
  // which the last extra life was given.
  virtual int GetLives() = 0;
  virtual void SetLives(int lives) = 0;
  virtual long long GetTotalScore() = 0;
  virtual long long GetLastLifeTotal() = 0;
  virtual void SetLastLifeTotal(long long total) = 0;

  // ---- Screens
  virtual void SetScreenState(int state) = 0;
  // While a full-screen slide runs the board's menu button does nothing.
  virtual bool IsScreenSlideActive() = 0;
  // The level and stage chosen on the level map (LoadStage(-1, -1)).
  virtual int GetMapLevel() = 0;
  virtual int GetMapStage() = 0;
  // The translucent pause overlay over the whole window.
  virtual void ShowPauseOverlay() = 0;
  virtual void HidePauseOverlay() = 0;
  // The menu button was clicked: opens the in-game menu and answers whether one opened (the
  // board then stops until the menu resumes it).
  virtual bool OpenGameMenu(Board* board) = 0;
  // The stage is over: result 1 won, 0 lost, -1 an endless game ended; the dialog that takes
  // over goes at (x, y) with size w by h. The board has already stopped.
  virtual void StageEnded(Board* board, int result, int x, int y, int w, int h) = 0;

  // ---- Pictures of a stage ("images/bkg%i.jpg" ...); null when the file cannot be read.
  virtual std::unique_ptr<MemoryImage> LoadPicture(const std::string& path) = 0;
};

}  // namespace Orva
