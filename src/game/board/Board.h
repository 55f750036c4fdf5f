#pragma once

#include <array>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Widget.h"
#include "game/board/BoardHud.h"

namespace Orva {

class BoardHost;
class ButtonWidget;
class MemoryImage;
class ParticleSystem;
struct BonusToken;

// One cell of the field, a rune in flight, or the carriage's rune.
struct Rune {
  int kind = -1;       // -1 empty, 0..5 the colours, 6..11 dead runes
  int marked = 0;      // being destroyed by a bomb or a colour wipe
  float x = 0, y = 0;  // where it is drawn
  float homeX = 0, homeY = 0;
  int row = 0, column = 0;
  BonusToken* bonus = nullptr;
  // Runes in flight only; owned by the board's particle list, which keeps it while the rune flies.
  ParticleSystem* trail = nullptr;
};

// A bonus riding on a rune. Phases: 1..6 blinking in, 666 stable, -1..-6 blinking out.
struct BonusToken {
  static constexpr int kStable = 666;
  int age = 0;
  int kind = 0;  // 0 tripple, 1 slow, 2 colour wipe, 3 bomb, 4 flash
  int phase = 1;
  int blinkCounter = 0;
  int blinkOn = 0;
  Rune* rune = nullptr;
};

struct FloatingText {
  std::string text;
  float x = 0, y = 0;
  int colour = 0;  // index of the six text colours
  int alpha = 255;
  int age = 0;
};

struct ExplosionSprite {
  static constexpr int kRune = 0;
  static constexpr int kBonus = 2;
  int ticks = 0;
  int frame = 0;
  int colour = 0;
  int frameCount = 13;
  int frameDelay = 3;
  int type = kRune;
  int x = 0, y = 0;
};

// The particle systems the board copies for its effects; the application loads them once.
struct BoardParticles {
  ParticleSystem* flyrunsBubbles = nullptr;  // trail of a rune in flight
  ParticleSystem* bonus = nullptr;           // cells lit by the stage-end sweep
  ParticleSystem* exp = nullptr;             // explosions and the stage-won sparks
  ParticleSystem* nextStage0 = nullptr;      // stage-won effect, first part
  ParticleSystem* nextStage1 = nullptr;      // stage-won effect, second part
};

// The playing field: 15 rows of 9 runes hanging from the top, the carriage at the bottom that
// fires runes straight up, and the HUD around it. Logic runs in ticks of the 100-per-second
// update; shots in flight and row slides also move by the frame fraction.
class Board : public Widget, public ButtonListener {
 public:
  static constexpr int kColumns = 9;
  static constexpr int kRows = 15;
  static constexpr int kLastRow = kRows - 1;
  static constexpr int kColours = 6;
  static constexpr int kDeadKind = 6;
  static constexpr int kNotChosen = 7;  // a next-row column not chosen yet
  static constexpr int kGridLeft = 118;
  static constexpr int kGridTop = -11;
  static constexpr int kCell = 32;
  static constexpr int kRuneSize = 30;
  static constexpr int kCarriageRuneY = 469;
  static constexpr int kCarriageY = 438;
  static constexpr int kMenuButtonId = 0;
  static constexpr int kShoulderColumns = 3;  // a pad's shoulder button moves the carriage this far

  enum Mode { MODE_STORY = 0, MODE_CUSTOM = 1, MODE_ENDLESS = 2 };
  enum EndState { END_PLAYING = -1, END_LOST = 0, END_WON = 1 };

  explicit Board(BoardHost* host);
  ~Board() override;

  void SetParticles(const BoardParticles& particles) { particles_ = particles; }

  // ---- Stage set-up
  // Looks up level / stage in "properties/levels.xml" (-1, -1: the level map's choice) and copies
  // it into the board. False, with the board unchanged, when the file, level or stage is missing.
  bool LoadStage(int level, int stage);
  // The level map's level's number of stages.
  bool LoadStageCount();
  // Reads the stage from a text instead of the file (tests and tools).
  bool LoadStageFromText(const std::string& xml, int level, int stage);
  void ResetBoard();
  // The three ways a game starts (the application has chosen the stage or the level).
  void StartStoryStage(int pictureNumber);
  void StartCustomStage(int level, int area);
  void StartEndless();
  // Loads the stage's background, boss and leaf pictures numbered n (false and a message on
  // standard error for each that is missing; the board still plays).
  bool LoadStagePictures(int n);
  void FreeStagePictures();

  // ---- Stage parameters
  int level = 1, stage = 1, stageCount = 1;
  int mRowsLeft = 0;
  int mStartRunes = 0;
  int mBaseSpeed = 100;
  int mSpeed = 100;
  int bonusInterval = 0;
  int bonusLifetime = 0;
  std::vector<int> enabledBonuses;
  std::vector<int> enabledColours;
  int mode = MODE_STORY;

  // ---- Controls (the board's public input: what keys and the mouse do)
  void AimAtColumn(int column);
  void Shoot();
  void RequestRuneChange();
  bool IsInputLocked() const { return inputLock_; }

  // ---- State others read
  void SetActive(bool isActive) { active_ = isActive; }
  bool IsActive() const { return active_; }
  void SetPaused(bool isPaused) { paused_ = isPaused; }
  bool IsPaused() const { return paused_; }
  // Lives shown on the board; -1 means 3.
  void SetLifeCount(int lives);
  int GetLifeCount() const { return lifeCount_; }
  int GetEndState() const { return endState_; }
  int GetScore() const { return score_.GetScore(); }
  int GetShots() const { return shots_; }
  int GetLargestGroup() const { return largestGroup_; }
  int GetMinutes() const { return minutes_; }
  int GetSeconds() const { return seconds_; }
  int GetTicks() const { return clockTicks_; }
  int GetSpeedLevel() const { return speedLevel_; }
  int GetRowsPushed() const { return rowsPushed_; }
  // The dialogs the board opened (the pause overlay does not resume under them).
  Widget* resultDialog = nullptr;
  Widget* gameMenu = nullptr;
  // Set by the result dialog when the next stage begins: plays the stage-won effect.
  void TriggerStageWonEffect() { stageWonTrigger_ = true; }
  // Empties the field (leaving to the main menu).
  void ClearGrid();
  // Slides the board out 10 pixels per tick (the menu button goes with it).
  void StartSlideOut();
  bool IsSlidingOut() const { return slidingOut_; }

  // ---- The model, for tests, tools and the bot
  Rune& Cell(int row, int column) { return grid_[row * kColumns + column]; }
  const Rune& Cell(int row, int column) const { return grid_[row * kColumns + column]; }
  const Rune& CarriageRune() const { return carriageRune_; }
  Rune& CarriageRune() { return carriageRune_; }
  int GetCarriageColumn() const { return carriageColumn_; }
  int GetCarriageX() const { return carriageX_; }
  int GetCarriageY() const { return carriageY_; }
  int GetTopRow() const { return topRow_; }
  int GetLiveRunes() const { return liveRunes_; }
  int GetColourCount(int colour) const { return colourCounts_[colour]; }
  const std::list<Rune*>& RunesInFlight(int column) const { return inFlight_[column]; }
  int CountRunesInFlight() const;
  bool IsFilling() const { return filling_; }
  bool IsSliding() const { return sliding_; }
  bool IsFlashActive() const { return flashActive_; }
  int GetFlashShots() const { return flashShots_; }
  int GetSlowTimer() const { return slowTimer_; }
  int GetLossCountdown() const { return lossCountdown_; }
  bool IsSweepRunning() const { return sweepStarted_; }
  const std::list<BonusToken*>& Tokens() const { return tokens_; }
  const std::list<FloatingText>& FloatingTexts() const { return texts_; }
  const std::list<ExplosionSprite>& Explosions() const { return explosions_; }
  int CountParticleSystems() const { return int(particleSystems_.size()); }
  const ScoreCounter& Score() const { return score_; }
  const RowsIndicator& Rows() const { return rowsIndicator_; }
  const BonusTimerBar& TimerBar() const { return timerBar_; }
  const std::array<int, kColumns>& NextRow() const { return nextRow_; }
  // Puts a token of this kind on a cell (prepared fields in tests); it starts stable.
  BonusToken* PlaceToken(int row, int column, int kind);
  // Sets a cell's kind and keeps the colour counters and live count right (prepared fields).
  void SetCell(int row, int column, int kind);
  // Ends the initial fill at once (prepared fields).
  void SkipInitialFill();
  bool IsRecheckPending() const { return !recheck_.empty(); }

  // ---- Colour picks
  int PickRowColour();
  int PickCarriageColour();
  int NextChangeColour(int current);

  // ---- One step of the game (the widget's updates call them)
  void CheckMatch(Rune* rune, bool flood);

  // ---- Widget
  void Attached(WidgetManager* manager) override;
  void Detached(WidgetManager* manager) override;
  void Resize(int newX, int newY, int newWidth, int newHeight) override;
  using Widget::Resize;
  void Update() override;
  void UpdateSmooth(float fraction) override;
  void Draw(Graphics* g) override;
  // Arrows move the carriage a column, Space fires, up and down change the rune, Escape pauses
  // and resumes, Enter opens the game menu.
  void KeyDown(int key) override;
  // A pad plays as the keys (the manager turns the d-pad and left stick into arrows, Start into
  // Enter, Back into Escape); besides, south fires, west and north change the rune, the
  // shoulders move three columns, and south or Start resume a paused stage.
  bool PadButtonDown(int button) override;
  void MouseMove(int mx, int my) override;
  void MouseDown(int mx, int my, int clickCount) override;
  using Widget::MouseDown;

  // ---- ButtonListener (the menu button)
  void OnButtonReleased(int id) override;
  void OnButtonHoverStart(int id) override;

  static const int kTextColours[kColours][3];
  static const int kSparks[5][2];

 private:
  Rune* CellPtr(int row, int column) { return &grid_[row * kColumns + column]; }
  void PlaySound(int effect);
  void SetColumn(int column);
  void InitialFillStep();
  void PrepareNextRowColumn();
  void SlideStep(int step);
  void EndSlide();
  void LandRunes();
  void Land(Rune* flying, Rune* cell);
  void BurstRunesInFlight();
  void CloseGaps(float fraction);
  void ExplodeGroup(std::vector<Rune*>& group, int kind, Rune* origin);
  void LowerColour(int kind, int count);
  // Applies a token's effect and answers the text it shows.
  std::string ApplyToken(BonusToken* token, std::vector<Rune*>& group, int groupKind, int& multiplier);
  void BonusAppearance();
  void UpdateTokens();
  void DeleteToken(BonusToken* token);
  void RaiseOrChange();
  void FlashStrike();
  void UpdateFlashLightning();
  void GiveExtraLifeIfEarned();
  void AddFloatingText(const std::string& text, float x, float y, int colour);
  void AddExplosion(int type, const Rune& rune, int colour);
  ParticleSystem* AddParticles(ParticleSystem* templ, float x, float y);
  bool IsTrailInFlight(const ParticleSystem* system) const;
  void UpdateParticles();
  void UpdateExplosions();
  void UpdateFloatingTexts();
  void UpdateClock();
  void UpdateLifeBlink();
  void UpdateSlowTimer();
  void StartSweep();
  void SweepStep();
  void StageWon();
  void StageLost();
  void StartStageWonEffect();
  void UpdateStageWonEffect();
  void UpdateSlideOut();
  void DrawHud(Graphics* g);
  void ClearDynamicState();

  BoardHost* host_;
  BoardParticles particles_;
  std::array<Rune, kColumns * kRows> grid_;
  Rune carriageRune_;
  std::array<std::list<Rune*>, kColumns> inFlight_;
  int carriageX_ = 118;
  int carriageColumn_ = 1;
  int carriageY_ = kCarriageY;
  int colourCounts_[kColours] = {};
  int liveRunes_ = 0;
  std::vector<int> currentColours_;
  std::array<int, kColumns> nextRow_{};

  // Initial fill
  bool filling_ = false;
  int fillRow_ = 1, fillColumn_ = 0, fillDirection_ = 1, fillTurnColumn_ = 8, fillCounter_ = 0;
  int fillLeft_ = 0;

  // Rows
  int topRow_ = 1;
  int pushCounter_ = 0;
  int nextColumnCounter_ = 0;
  bool sliding_ = false;
  bool slideStepToggle_ = false;
  bool slideStepRequested_ = false;
  float pixelsSlid_ = 0;

  // Shots and the carriage rune
  bool raising_ = false;
  bool changing_ = false;
  int raiseCounter_ = 0;
  bool runeMoved_ = false;  // a rune exploded: gaps may need closing
  std::vector<Rune*> recheck_;
  int recheckCounter_ = 0;
  bool flashActive_ = false;
  int flashShots_ = 0;
  int flashLightning_ = -1;  // drawn length, -1 when none is shown
  int flashLightningTicks_ = 0;
  float flashTargetY_ = 0;
  int slowTimer_ = -1;

  // Flow
  bool active_ = false;
  bool paused_ = false;
  bool inputLock_ = false;
  int lossCountdown_ = 0;
  int endState_ = END_PLAYING;
  bool sweepStarted_ = false;
  bool sweepFinished_ = false;
  int sweepRow_ = 1, sweepColumn_ = 0, sweepDirection_ = 1, sweepCounter_ = 0, sweepColour_ = 0;
  std::vector<std::pair<int, int>> litCells_;
  bool stageWonTrigger_ = false;
  ParticleSystem* stageWonFirst_ = nullptr;  // waiting for it to signal
  bool slidingOut_ = false;
  int slideOutLeft_ = 0;
  bool ended_ = false;  // the end of the stage was handed to the host

  // Bonuses
  int bonusCounter_ = 0;
  std::list<BonusToken*> tokens_;

  // Score and HUD
  ScoreCounter score_;
  RowsIndicator rowsIndicator_;
  BonusTimerBar timerBar_;
  int lifeCount_ = 3;
  bool lifeBlink_ = false;
  bool lifeBlinkPhase_ = true;
  int lifeBlinkTicks_ = 0;
  int lifeBlinkFlips_ = 0;
  int shots_ = 0;
  int largestGroup_ = 0;
  int minutes_ = 0, seconds_ = 0, clockTicks_ = 0;
  int rowsPushed_ = 0;
  int speedLevel_ = 0;
  int textTicker_ = 0;

  std::list<std::unique_ptr<ParticleSystem>> particleSystems_;
  std::list<ExplosionSprite> explosions_;
  std::list<FloatingText> texts_;

  std::unique_ptr<ButtonWidget> menuButton_;
  std::unique_ptr<MemoryImage> background_;
  std::unique_ptr<MemoryImage> boss_;
  std::unique_ptr<MemoryImage> leaf_;
  int pictureNumber_ = 0;  // the number of the stage pictures loaded (0: none)
};

}  // namespace Orva
