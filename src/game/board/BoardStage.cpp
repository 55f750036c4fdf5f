// Stage set-up: reading a stage from the level file, resetting the board for it, and the three
// ways a game starts.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/XMLParser.h"
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {

namespace {

constexpr const char* kLevelFile = "properties/levels.xml";

// Limits that keep a damaged or hand-edited level file to what a real stage can use: the field
// must be able to take the starting runes without reaching the carriage's row, rows must come at
// some pace, and a stage must end in minutes, not hours (the game's own stages take 4 to 20 rows
// at 86 to 220 ticks a column, and bonuses every 7 to 13 seconds). The worst stage these allow
// lasts half an hour.
constexpr int kMaxRows = 50;
constexpr int kMaxStartRunes = 12 * Board::kColumns;  // rows 1 to 12, so row 13 stays free to shoot into
constexpr int kMinSpeed = 1;
constexpr int kMaxSpeed = 400;
constexpr int kMaxBonusTicks = 6000;

// An attribute of a stage: its name, the value of a typical stage used when the text is no number,
// and the range a stage may use.
struct StageValue {
  const char* name;
  int typical;
  int low, high;
};
constexpr StageValue kRows{"rows", 10, 0, kMaxRows};
constexpr StageValue kStartRunes{"runsats", 27, 0, kMaxStartRunes};
constexpr StageValue kSpeed{"speed", 150, kMinSpeed, kMaxSpeed};
constexpr StageValue kBonusInterval{"bonusswt", 900, 0, kMaxBonusTicks};
constexpr StageValue kBonusLifetime{"bonuslifet", 900, 0, kMaxBonusTicks};
constexpr StageValue kSwitch{"", 0, 0, 1};  // the bonuses and colours: 0 off, anything else on

// A decimal number of the level file: an absent attribute is 0; text that is no number, or has
// more after the number, is reported and gives the typical value; values beyond the integer range
// are clamped to it.
int Number(const std::map<std::string, std::string>& attributes, const char* name, const StageValue& value, int level,
           int stage) {
  const auto it = attributes.find(name);
  if (it == attributes.end()) return 0;
  const char* text = it->second.c_str();
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(text, &end, 10);
  while (end && (*end == ' ' || *end == '\t')) ++end;
  if (end == text || (end && *end != '\0')) {
    std::fprintf(stderr, "Level %d stage %d: %s \"%s\" is not a number; using %d\n", level, stage, name, text,
                 value.typical);
    return value.typical;
  }
  return int(std::clamp<long long>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The stages count of a level: a plain number, 0 when it is none.
int Number(const std::map<std::string, std::string>& attributes, const char* name) {
  const auto it = attributes.find(name);
  if (it == attributes.end()) return 0;
  const long long value = std::strtoll(it->second.c_str(), nullptr, 10);
  return int(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool IdIs(const std::map<std::string, std::string>& attributes, int wanted) {
  const auto it = attributes.find("id");
  return it != attributes.end() && it->second == std::to_string(wanted);
}

int Limited(const std::map<std::string, std::string>& attributes, const StageValue& what, int level, int stage) {
  const int value = Number(attributes, what.name, what, level, stage);
  const int limited = std::clamp(value, what.low, what.high);
  if (limited != value)
    std::fprintf(stderr, "Level %d stage %d: %s %d is out of range; using %d\n", level, stage, what.name, value,
                 limited);
  return limited;
}

// Reads the stage from an opened parser into the board. The stage must belong to the level: a
// level without the stage does not borrow the next level's stage of that number.
bool ReadStage(XMLParser& parser, Board& board, int level, int stage) {
  XMLItem item;
  bool inLevel = false;
  while (parser.NextItem(item)) {
    if (item.kind != XMLItem::Start) continue;
    if (item.value == "Level") {
      if (inLevel) break;
      inLevel = IdIs(item.attributes, level);
      continue;
    }
    if (!inLevel || item.value != "Stage" || !IdIs(item.attributes, stage)) continue;

    const auto& a = item.attributes;
    board.level = level;
    board.stage = stage;
    board.mRowsLeft = Limited(a, kRows, level, stage);
    board.mStartRunes = Limited(a, kStartRunes, level, stage);
    board.mBaseSpeed = Limited(a, kSpeed, level, stage);
    board.mSpeed = board.mBaseSpeed;
    board.bonusInterval = Limited(a, kBonusInterval, level, stage);
    board.bonusLifetime = Limited(a, kBonusLifetime, level, stage);
    board.enabledBonuses.clear();
    const char* bonuses[] = {"tripple", "slow", "runsdeath", "bomb", "flash"};
    for (int kind = 0; kind < 5; ++kind) {
      if (Number(a, bonuses[kind], kSwitch, level, stage) != 0) board.enabledBonuses.push_back(kind);
    }
    board.enabledColours.clear();
    const char* colours[] = {"r", "g", "y", "p", "br", "bl"};
    for (int kind = 0; kind < Board::kColours; ++kind) {
      if (Number(a, colours[kind], kSwitch, level, stage) != 0) board.enabledColours.push_back(kind);
    }
    return true;
  }
  std::fprintf(stderr, "Level %d stage %d is not in %s%s%s\n", level, stage, kLevelFile, parser.Failed() ? ": " : "",
               parser.Failed() ? parser.ErrorText().c_str() : "");
  return false;
}

}  // namespace

bool Board::LoadStage(int wantedLevel, int wantedStage) {
  if (wantedLevel == -1 && host_) {
    wantedLevel = host_->GetMapLevel();
    wantedStage = host_->GetMapStage();
  }
  XMLParser parser;
  if (!parser.OpenFile(kLevelFile)) {
    std::fprintf(stderr, "Cannot read %s\n", kLevelFile);
    return false;
  }
  return ReadStage(parser, *this, wantedLevel, wantedStage);
}

bool Board::LoadStageFromText(const std::string& xml, int wantedLevel, int wantedStage) {
  XMLParser parser;
  if (!parser.OpenBuffer(xml)) return false;
  return ReadStage(parser, *this, wantedLevel, wantedStage);
}

bool Board::LoadStageCount() {
  const int mapLevel = host_ ? host_->GetMapLevel() : level;
  XMLParser parser;
  if (!parser.OpenFile(kLevelFile)) return false;
  XMLItem item;
  while (parser.NextItem(item)) {
    if (item.kind == XMLItem::Start && item.value == "Level" && IdIs(item.attributes, mapLevel)) {
      stageCount = std::max(0, Number(item.attributes, "stages"));
      return true;
    }
  }
  return false;
}

void Board::ResetBoard() {
  // 1. Flow, clock and the end of the last stage.
  lifeBlink_ = false;
  lifeBlinkPhase_ = true;
  lifeBlinkTicks_ = 0;
  lifeBlinkFlips_ = 0;
  stageWonTrigger_ = false;
  currentColours_ = enabledColours;
  if (currentColours_.empty()) {
    std::fprintf(stderr, "Level %d stage %d enables no colours; playing it with red, green and yellow\n", level, stage);
    currentColours_ = {0, 1, 2};
  }
  paused_ = false;
  clockTicks_ = seconds_ = minutes_ = 0;
  shots_ = 0;
  largestGroup_ = 0;
  endState_ = END_PLAYING;
  ended_ = false;
  litCells_.clear();
  sweepStarted_ = false;
  sweepFinished_ = false;

  // 2. The initial fill: a snake from row 1, column 0.
  topRow_ = 1;
  fillRow_ = 1;
  fillColumn_ = 0;
  fillDirection_ = 1;
  fillTurnColumn_ = kColumns - 1;
  fillCounter_ = 0;
  fillLeft_ = mStartRunes;
  filling_ = true;

  // 3. The carriage (its rune's colour is picked below, once the counters are fresh).
  carriageX_ = 118;
  carriageColumn_ = 1;
  carriageY_ = kCarriageY;
  carriageRune_ = Rune();
  carriageRune_.x = 152;
  carriageRune_.y = kCarriageRuneY;
  carriageRune_.column = 1;

  // 4. Rows, shots and timers.
  mSpeed = mBaseSpeed;
  pushCounter_ = 0;
  nextColumnCounter_ = 0;
  lossCountdown_ = 0;
  changing_ = raising_ = runeMoved_ = flashActive_ = false;
  raiseCounter_ = 0;
  sliding_ = slideStepToggle_ = slideStepRequested_ = false;
  pixelsSlid_ = 0;
  inputLock_ = true;
  flashShots_ = 0;
  slowTimer_ = -1;
  flashLightning_ = -1;
  flashLightningTicks_ = 0;
  bonusCounter_ = 0;
  recheckCounter_ = 0;
  textTicker_ = 0;

  // 5. Score and counters.
  score_.Reset();
  std::fill(std::begin(colourCounts_), std::end(colourCounts_), 0);
  liveRunes_ = std::max(0, mRowsLeft) * kColumns + mStartRunes;
  // Picked after the counters are cleared: the last stage's counts must not give the carriage a
  // colour this stage does not have.
  carriageRune_.kind = PickCarriageColour();

  // 6. Indicators.
  timerBar_.Clear();
  rowsIndicator_.Start(mRowsLeft);

  // 7. The next row: nothing chosen yet.
  nextRow_.fill(kNotChosen);

  // 8. Everything that lives only during a stage.
  ClearDynamicState();
  for (Rune& rune : grid_) {
    rune.kind = -1;
    rune.marked = 0;
  }

  // 9. Every cell at home.
  for (Rune& rune : grid_) {
    rune.x = rune.homeX;
    rune.y = rune.homeY;
  }
  MarkDirty();
}

void Board::StartStoryStage(int pictureNumber) {
  const int music = rand() % 4 + 1;
  if (host_) {
    host_->PlayLevelMusic(music);
    host_->StopThemeMusic();
    host_->SetScreenState(3);
  }
  mode = MODE_STORY;
  active_ = false;
  if (host_) SetLifeCount(host_->GetLives());
  LoadStage(-1, -1);
  ResetBoard();
  if (pictureNumber != pictureNumber_) LoadStagePictures(pictureNumber);
}

void Board::StartCustomStage(int levelIndex, int area) {
  LoadStage(levelIndex + 1, 1);
  const int music = rand() % 4 + 1;
  if (host_) {
    host_->PlayLevelMusic(music);
    host_->StopThemeMusic();
    host_->SetScreenState(3);
  }
  mode = MODE_CUSTOM;
  active_ = false;
  if (area + 1 != pictureNumber_) LoadStagePictures(area + 1);
  ResetBoard();
  SetLifeCount(-1);
}

void Board::StartEndless() {
  const int music = rand() % 4 + 1;
  if (host_) {
    host_->PlayLevelMusic(music);
    host_->StopThemeMusic();
    host_->SetScreenState(3);
  }
  mode = MODE_ENDLESS;
  active_ = false;
  if (music != pictureNumber_) LoadStagePictures(music);
  level = 1;
  stage = 1;
  mRowsLeft = 10000;
  mStartRunes = 9 + rand() % 28;
  mBaseSpeed = mSpeed = 140;
  bonusInterval = 900;
  bonusLifetime = 900;
  rowsPushed_ = 0;
  speedLevel_ = 0;
  enabledColours = {0, 1, 2, 3, 4, 5};
  ResetBoard();
  SetLifeCount(1);
  enabledBonuses = {0, 1, 2, 3, 4};
}

bool Board::LoadStagePictures(int n) {
  FreeStagePictures();
  pictureNumber_ = n;
  if (!host_) return false;
  bool complete = true;
  auto load = [&](const char* pattern, std::unique_ptr<MemoryImage>& into) {
    char path[64];
    std::snprintf(path, sizeof path, pattern, n);
    into = host_->LoadPicture(path);
    if (!into) {
      std::fprintf(stderr, "Missing stage picture: %s\n", path);
      complete = false;
    }
  };
  load("images/bkg%i.jpg", background_);
  load("images/boss%i.png", boss_);
  load("images/leaf%i.png", leaf_);
  MarkDirty();
  return complete;
}

void Board::FreeStagePictures() {
  background_.reset();
  boss_.reset();
  leaf_.reset();
  pictureNumber_ = 0;
}

}  // namespace Orva
