#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/KeyCodes.h"
#include "game/board/Board.h"
#include "game/board/BoardHost.h"
#include "game/board/ParticleTemplates.h"
#include "game/particles/ParticleSystem.h"

namespace Orva {
namespace {

// Records what the board asks of the application.
class RecordingHost : public BoardHost {
 public:
  std::vector<int> sounds;
  std::vector<std::string> music;
  int lives = 3;
  long long totalScore = 0;
  long long lastLifeTotal = 0;
  int screenState = 0;
  bool slideActive = false;
  bool overlayShown = false;
  int mapLevel = 1, mapStage = 1;
  struct Ending {
    int result, x, y, w, h;
  };
  std::vector<Ending> endings;
  std::map<int, std::string> strings = {{28, "Menu"},  {29, "Level %i - Stage %i"}, {36, "Triple! x%i"},
                                        {37, "Bomb!"}, {38, "Colour wipe!"},        {39, "Lightning!"},
                                        {50, "Calm"},  {69, "Speed: %s"},           {77, "Slow time!"}};
  std::vector<std::string> picturesAsked;
  bool picturesMissing = false;

  void PlaySound(int effect) override { sounds.push_back(effect); }
  void PlayLevelMusic(int n) override { music.push_back("level " + std::to_string(n)); }
  void StopLevelMusic() override { music.push_back("stop level"); }
  void StopThemeMusic() override { music.push_back("stop theme"); }
  const std::string& GetGameString(int index) override { return strings[index]; }
  int GetLives() override { return lives; }
  void SetLives(int n) override { lives = n; }
  long long GetTotalScore() override { return totalScore; }
  long long GetLastLifeTotal() override { return lastLifeTotal; }
  void SetLastLifeTotal(long long total) override { lastLifeTotal = total; }
  void SetScreenState(int state) override { screenState = state; }
  bool IsScreenSlideActive() override { return slideActive; }
  int GetMapLevel() override { return mapLevel; }
  int GetMapStage() override { return mapStage; }
  void ShowPauseOverlay() override { overlayShown = true; }
  void HidePauseOverlay() override { overlayShown = false; }
  bool OpenGameMenu(Board*) override { return false; }
  void StageEnded(Board*, int result, int x, int y, int w, int h) override { endings.push_back({result, x, y, w, h}); }
  std::unique_ptr<MemoryImage> LoadPicture(const std::string& path) override {
    picturesAsked.push_back(path);
    return picturesMissing ? nullptr : std::make_unique<MemoryImage>();
  }

  int CountSound(int effect) const { return int(std::count(sounds.begin(), sounds.end(), effect)); }
};

// An effect made in place of a file: 100 particles a second of 0.05 s life, emitted for
// `lifetime` seconds (-1 endless), simulated in steps of 1/30 s like the game's.
std::unique_ptr<ParticleSystem> MadeEffect(float lifetime) {
  auto effect = std::make_unique<ParticleSystem>();
  ParticleParams& p = effect->Params();
  p.emission = 100;
  p.lifetime = lifetime;
  p.lifeMin = p.lifeMax = 0.05f;
  p.sizeStart = p.sizeEnd = 1;
  effect->SetStepsPerSecond(30);
  return effect;
}

std::string StageXml(const std::string& stageAttributes, const std::string& levelId = "1") {
  return "<Levels><Level id=\"" + levelId + "\" stages=\"1\"><Stage id=\"1\" " + stageAttributes +
         " /></Level></Levels>";
}

class BoardTest : public ::testing::Test {
 protected:
  RecordingHost host;
  Board board{&host};

  void SetUp() override { srand(7); }

  // A stage with the colours red, green and yellow and no bonuses unless asked.
  void StartStage(int rows, int startRunes, int speed, std::vector<int> bonuses = {}) {
    board.enabledColours = {0, 1, 2};
    board.enabledBonuses = std::move(bonuses);
    board.mRowsLeft = rows;
    board.mStartRunes = startRunes;
    board.mBaseSpeed = speed;
    board.bonusInterval = 0;
    board.bonusLifetime = 900;
    board.ResetBoard();
    board.SetActive(true);
  }

  // A stage already filled: the field empty unless the test fills it, the carriage at rest.
  void StartPreparedStage(int rows = 3, int speed = 10000) {
    StartStage(rows, 0, speed);
    board.SkipInitialFill();
    Tick(8);  // the carriage rune rises into place
    host.sounds.clear();
  }

  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      board.Update();
      board.UpdateSmooth(1.0f);
    }
  }

  // Ticks until the condition holds; false when it did not within the limit.
  template <typename Condition>
  bool TickUntil(Condition condition, int limit = 20000) {
    for (int i = 0; i < limit; ++i) {
      if (condition()) return true;
      Tick();
    }
    return condition();
  }

  void SetCarriage(int column, int kind) {
    board.AimAtColumn(column);
    board.CarriageRune().kind = kind;
  }

  // Fires a rune of this colour up the column and waits until it has landed.
  void ShootAndLand(int column, int kind) {
    SetCarriage(column, kind);
    board.Shoot();
    ASSERT_TRUE(TickUntil([&] { return board.CountRunesInFlight() == 0; }, 100));
  }

  int CountKind(int kind) const {
    int count = 0;
    for (int row = 0; row < Board::kRows; ++row)
      for (int column = 0; column < Board::kColumns; ++column) count += board.Cell(row, column).kind == kind;
    return count;
  }
};

// ---- The start of a stage

TEST_F(BoardTest, InitialFillPlacesTheStartRunesInASnakeEverySixTicks) {
  StartStage(5, 12, 200);
  EXPECT_TRUE(board.IsInputLocked());
  EXPECT_EQ(board.GetLiveRunes(), 5 * 9 + 12);
  Tick(5);
  EXPECT_EQ(board.Cell(1, 0).kind, -1);
  Tick(1);
  EXPECT_NE(board.Cell(1, 0).kind, -1);
  Tick(6 * 11 - 6);
  EXPECT_TRUE(board.IsFilling());
  Tick(6);
  EXPECT_FALSE(board.IsFilling());
  EXPECT_FALSE(board.IsInputLocked());
  // Row 1 left to right, then row 2 from the right: 9 + 3 runes.
  for (int column = 0; column < 9; ++column) EXPECT_NE(board.Cell(1, column).kind, -1) << column;
  for (int column = 6; column < 9; ++column) EXPECT_NE(board.Cell(2, column).kind, -1) << column;
  for (int column = 0; column < 6; ++column) EXPECT_EQ(board.Cell(2, column).kind, -1) << column;
  int placed = 0;
  for (int colour = 0; colour < 6; ++colour) placed += board.GetColourCount(colour);
  EXPECT_EQ(placed, 12);
  for (int row = 0; row < Board::kRows; ++row)
    for (int column = 0; column < 9; ++column) {
      const int kind = board.Cell(row, column).kind;
      EXPECT_TRUE(kind == -1 || (kind >= 0 && kind <= 2));
    }
}

TEST_F(BoardTest, CarriageStartsInColumnOneAndRisesIntoPlaceAfterTheFill) {
  StartStage(2, 3, 200);
  EXPECT_EQ(board.GetCarriageX(), 118);
  EXPECT_EQ(board.GetCarriageColumn(), 1);
  EXPECT_FLOAT_EQ(board.CarriageRune().x, 152);
  EXPECT_FLOAT_EQ(board.CarriageRune().y, 469);
  EXPECT_GE(board.CarriageRune().kind, 0);
  EXPECT_LE(board.CarriageRune().kind, 2);
  ASSERT_TRUE(TickUntil([&] { return !board.IsFilling(); }));
  Tick(8);
  EXPECT_FLOAT_EQ(board.CarriageRune().y, 469 - 32);
}

TEST_F(BoardTest, ResetClearsEverythingALastStageLeft) {
  StartPreparedStage();
  board.SetCell(5, 4, 1);
  board.PlaceToken(5, 4, 0);
  SetCarriage(4, 2);
  board.Shoot();
  board.ResetBoard();
  EXPECT_TRUE(board.Tokens().empty());
  EXPECT_EQ(board.CountRunesInFlight(), 0);
  EXPECT_EQ(board.CountParticleSystems(), 0);
  EXPECT_EQ(board.GetShots(), 0);
  EXPECT_EQ(board.Cell(5, 4).kind, -1);
  EXPECT_EQ(board.Cell(5, 4).bonus, nullptr);
  EXPECT_EQ(board.GetScore(), 0);
}

// ---- Rows

TEST_F(BoardTest, RowsArriveEveryNineTimesSpeedPlusOneTicksAndSlideIn) {
  StartStage(3, 0, 20);
  ASSERT_TRUE(TickUntil([&] { return !board.IsFilling(); }));
  int ticks = 0;
  while (!board.IsSliding() && ticks < 1000) {
    Tick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 9 * (20 + 1));
  EXPECT_EQ(host.CountSound(5), 1);
  EXPECT_EQ(board.mRowsLeft, 2);
  for (int column = 0; column < 9; ++column) EXPECT_NE(board.Cell(0, column).kind, -1);
  ASSERT_TRUE(TickUntil([&] { return !board.IsSliding(); }, 200));
  for (int column = 0; column < 9; ++column) {
    EXPECT_EQ(board.Cell(0, column).kind, -1);
    EXPECT_NE(board.Cell(1, column).kind, -1);
    EXPECT_FLOAT_EQ(board.Cell(1, column).y, board.Cell(1, column).homeY);
  }
  // The next row takes as long again, counted from the end of the slide.
  ticks = 0;
  while (!board.IsSliding() && ticks < 1000) {
    Tick();
    ++ticks;
  }
  EXPECT_EQ(ticks, 9 * (20 + 1));
}

TEST_F(BoardTest, OnceTheSupplyIsUsedTheTopRowMovesDownUnderEachRowAndDeadRowsCome) {
  StartStage(2, 0, 5);
  ASSERT_TRUE(TickUntil([&] { return board.mRowsLeft == 1 && !board.IsSliding(); }));
  EXPECT_EQ(board.GetTopRow(), 1);
  // The last row of colours uses the supply up: the top row moves down under it already.
  ASSERT_TRUE(TickUntil([&] { return board.mRowsLeft == -1; }));
  ASSERT_TRUE(TickUntil([&] { return !board.IsSliding(); }));
  EXPECT_EQ(board.GetTopRow(), 2);
  for (int column = 0; column < 9; ++column) EXPECT_LE(board.Cell(1, column).kind, 2);
  ASSERT_TRUE(TickUntil([&] { return board.IsSliding(); }));
  ASSERT_TRUE(TickUntil([&] { return !board.IsSliding(); }));
  EXPECT_EQ(board.GetTopRow(), 3);
  for (int column = 0; column < 9; ++column) {
    EXPECT_GE(board.Cell(1, column).kind, 6);
    EXPECT_LE(board.Cell(1, column).kind, 11);
    EXPECT_LE(board.Cell(2, column).kind, 2);
    EXPECT_LE(board.Cell(3, column).kind, 2);
  }
  EXPECT_EQ(board.GetRowsPushed(), 0);  // counted only in the endless game
}

TEST_F(BoardTest, EndlessSpeedStepsAtSevenFifteenTwentyFiveFortyAndSixtyRows) {
  board.StartEndless();
  EXPECT_EQ(host.screenState, 3);
  EXPECT_EQ(board.enabledColours.size(), 6u);
  EXPECT_EQ(board.enabledBonuses.size(), 5u);
  EXPECT_EQ(board.GetLifeCount(), 1);
  board.SkipInitialFill();
  board.bonusInterval = 0;
  board.SetActive(true);
  std::map<int, std::pair<int, int>> seen;  // rows pushed -> speed, speed level
  int lastRows = -1;
  for (int i = 0; i < 400000 && board.GetRowsPushed() < 61; ++i) {
    // Keep the field from filling up: this test is about the pace only.
    if (!board.IsSliding()) {
      for (int row = 1; row < Board::kRows; ++row)
        for (int column = 0; column < 9; ++column) board.SetCell(row, column, -1);
    }
    Tick();
    if (board.GetRowsPushed() != lastRows) {
      lastRows = board.GetRowsPushed();
      seen[lastRows] = {board.mBaseSpeed, board.GetSpeedLevel()};
    }
  }
  EXPECT_EQ(seen[6], std::make_pair(140, 0));
  EXPECT_EQ(seen[7], std::make_pair(120, 1));
  EXPECT_EQ(seen[15], std::make_pair(100, 2));
  EXPECT_EQ(seen[25], std::make_pair(90, 3));
  EXPECT_EQ(seen[40], std::make_pair(80, 4));
  EXPECT_EQ(seen[60], std::make_pair(70, 4));
  EXPECT_EQ(board.mSpeed, 70);
}

// ---- Controls

TEST_F(BoardTest, MouseAndArrowsMoveTheCarriageWithinTheNineColumns) {
  StartPreparedStage();
  board.MouseMove(370, 300);
  EXPECT_EQ(board.GetCarriageColumn(), 7);
  board.MouseMove(371, 300);
  EXPECT_EQ(board.GetCarriageColumn(), 8);
  board.KeyDown(KEYCODE_RIGHT);
  EXPECT_EQ(board.GetCarriageColumn(), 8);
  board.MouseMove(10, 300);
  EXPECT_EQ(board.GetCarriageColumn(), 0);
  EXPECT_EQ(board.GetCarriageX(), 84);
  board.KeyDown(KEYCODE_LEFT);
  EXPECT_EQ(board.GetCarriageColumn(), 0);
  board.KeyDown(KEYCODE_RIGHT);
  EXPECT_EQ(board.GetCarriageColumn(), 1);
  EXPECT_EQ(board.GetCarriageX(), 116);
  EXPECT_FLOAT_EQ(board.CarriageRune().x, 150);
}

TEST_F(BoardTest, EscapePausesAndResumesAndNothingElseActsWhilePaused) {
  StartPreparedStage();
  board.KeyDown(KEYCODE_ESCAPE);
  EXPECT_TRUE(board.IsPaused());
  EXPECT_TRUE(host.overlayShown);
  EXPECT_EQ(host.music.back(), "stop level");
  board.KeyDown(KEYCODE_RIGHT);
  board.KeyDown(KEYCODE_SPACE);
  EXPECT_EQ(board.GetCarriageColumn(), 1);
  EXPECT_EQ(board.GetShots(), 0);
  const int clock = board.GetTicks();
  Tick(50);
  EXPECT_EQ(board.GetTicks(), clock);
  board.KeyDown(KEYCODE_ESCAPE);
  EXPECT_FALSE(board.IsPaused());
  EXPECT_FALSE(host.overlayShown);
  EXPECT_EQ(host.music.back(), "level -1");
}

TEST_F(BoardTest, ShotsAndChangesWaitForAnActiveUnlockedBoard) {
  StartStage(2, 9, 200);
  board.SetActive(false);
  board.Shoot();
  board.RequestRuneChange();
  board.SetActive(true);
  board.Shoot();  // during the fill
  EXPECT_EQ(board.GetShots(), 0);
  EXPECT_EQ(board.CountRunesInFlight(), 0);
  ASSERT_TRUE(TickUntil([&] { return !board.IsFilling(); }));
  Tick(8);
  board.SetPaused(true);
  board.Shoot();
  EXPECT_EQ(board.GetShots(), 0);
  board.SetPaused(false);
  board.Shoot();
  EXPECT_EQ(board.GetShots(), 1);
}

TEST_F(BoardTest, RuneChangeDipsTheRuneAndBringsTheNextColourStillInPlay) {
  StartPreparedStage();
  board.SetCell(3, 3, 0);
  board.SetCell(3, 5, 2);
  board.CarriageRune().kind = 0;
  board.KeyDown(KEYCODE_UP);
  EXPECT_EQ(host.CountSound(11), 1);
  Tick(8);
  EXPECT_FLOAT_EQ(board.CarriageRune().y, 469);
  EXPECT_EQ(board.CarriageRune().kind, 2);  // green has no rune left: skipped
  Tick(8);
  EXPECT_FLOAT_EQ(board.CarriageRune().y, 437);
  board.MouseDown(0, 0, -1);  // a right click changes too
  Tick(16);
  EXPECT_EQ(board.CarriageRune().kind, 0);
}

// ---- Shots

TEST_F(BoardTest, ShotLandsUnderTheLowestRuneOfItsColumn) {
  StartPreparedStage();
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 1);
  board.SetCell(3, 4, 0);
  SetCarriage(4, 2);
  board.KeyDown(KEYCODE_SPACE);
  EXPECT_EQ(board.CountRunesInFlight(), 1);
  EXPECT_EQ(host.CountSound(0), 1);
  EXPECT_EQ(board.GetShots(), 1);
  ASSERT_TRUE(TickUntil([&] { return board.CountRunesInFlight() == 0; }, 100));
  EXPECT_EQ(board.Cell(4, 4).kind, 2);
  EXPECT_EQ(board.Cell(5, 4).kind, -1);
  EXPECT_EQ(host.CountSound(1), 1);
  EXPECT_EQ(board.GetColourCount(2), 1);
  // An empty column takes the shot in the top row.
  SetCarriage(7, 1);
  Tick(8);
  board.Shoot();
  ASSERT_TRUE(TickUntil([&] { return board.CountRunesInFlight() == 0; }, 100));
  EXPECT_EQ(board.Cell(1, 7).kind, 1);
}

// A trail file may give the trail a finite lifetime: it then stops and loses its last particle
// while its rune is still flying and moving it.
TEST_F(BoardTest, ATrailThatEndsInFlightIsKeptUntilItsRuneLands) {
  auto trail = MadeEffect(0.05f);
  BoardParticles particles;
  particles.flyrunsBubbles = trail.get();
  board.SetParticles(particles);
  StartPreparedStage();
  SetCarriage(4, 0);
  board.Shoot();
  ASSERT_EQ(board.CountParticleSystems(), 1);
  int ticks = 0;
  for (; board.CountRunesInFlight() > 0 && ticks < 100; ++ticks) {
    ASSERT_EQ(board.CountParticleSystems(), 1) << "tick " << ticks;
    Tick();
  }
  EXPECT_GT(ticks, 30);  // long past the trail's own end
  EXPECT_EQ(board.Cell(1, 4).kind, 0);
  // Landed, the rune lets go of it and the finished trail is freed.
  Tick(2);
  EXPECT_EQ(board.CountParticleSystems(), 0);
}

TEST_F(BoardTest, AColumnTakesAnotherShotOnlyOnceItsNewestHasLandedOrIsStillLow) {
  StartPreparedStage();
  SetCarriage(4, 1);
  board.Shoot();
  ASSERT_EQ(board.RunesInFlight(4).size(), 1u);
  EXPECT_FLOAT_EQ(board.RunesInFlight(4).back()->y, 437);
  Tick(8);  // the next rune has risen into place; the first flew 96 pixels, above y 400
  board.Shoot();
  EXPECT_EQ(board.GetShots(), 1);
  board.AimAtColumn(5);  // another column is free
  board.Shoot();
  EXPECT_EQ(board.GetShots(), 2);
  board.AimAtColumn(4);
  ASSERT_TRUE(TickUntil([&] { return board.RunesInFlight(4).empty(); }, 100));
  Tick(8);
  board.Shoot();
  EXPECT_EQ(board.GetShots(), 3);
}

TEST_F(BoardTest, AGroupOfThreeExplodesScoresAndTheGapCloses) {
  StartPreparedStage();
  board.SetCell(1, 4, 1);
  board.SetCell(2, 4, 0);
  board.SetCell(3, 4, 0);
  board.SetCell(1, 3, 2);
  board.SetCell(2, 3, 0);
  board.SetCell(3, 3, 2);
  board.SetCell(4, 3, 1);  // hangs under the group: must rise when it explodes
  SetCarriage(4, 0);
  const int live = board.GetLiveRunes();
  board.Shoot();
  ASSERT_TRUE(TickUntil([&] { return board.CountRunesInFlight() == 0; }, 100));
  EXPECT_EQ(board.GetScore(), 3 * 51 + 51);  // the three in column 4 and the one beside them
  EXPECT_EQ(board.GetLargestGroup(), 4);
  EXPECT_EQ(board.GetLiveRunes(), live + 1 - 4);
  EXPECT_EQ(board.GetColourCount(0), 0);
  EXPECT_EQ(host.CountSound(2), 1);
  ASSERT_EQ(board.FloatingTexts().size(), 1u);
  EXPECT_EQ(board.FloatingTexts().front().text, "204");
  EXPECT_EQ(board.Explosions().size(), 4u);
  // Column 3: the green rune under the gap rises into row 2... then row 3 keeps the yellow.
  ASSERT_TRUE(TickUntil([&] { return board.Cell(2, 3).kind != -1 && board.Cell(4, 3).kind == -1; }, 500));
  EXPECT_EQ(board.Cell(1, 3).kind, 2);
  EXPECT_EQ(board.Cell(2, 3).kind, 2);
  EXPECT_EQ(board.Cell(3, 3).kind, 1);
  EXPECT_FLOAT_EQ(board.Cell(3, 3).y, board.Cell(3, 3).homeY);
  // The closed gap is checked again: a yellow pair next to nothing stays.
  Tick(60);
  EXPECT_EQ(board.Cell(1, 3).kind, 2);
  // Explosion sprites run 13 frames of 3 ticks.
  EXPECT_TRUE(board.Explosions().empty());
}

TEST_F(BoardTest, AGroupOfTwoStaysWithItsColours) {
  StartPreparedStage();
  board.SetCell(1, 4, 0);
  ShootAndLand(4, 0);
  EXPECT_EQ(board.Cell(1, 4).kind, 0);
  EXPECT_EQ(board.Cell(2, 4).kind, 0);
  EXPECT_EQ(board.GetScore(), 0);
  EXPECT_EQ(board.GetLargestGroup(), 2);
  EXPECT_EQ(board.GetColourCount(0), 2);
}

TEST_F(BoardTest, GroupsFormedByAClosingGapExplodeOnTheRecheck) {
  StartPreparedStage();
  // Column 2: red, [blue to explode], red, red. Shooting blue... the three below rise and
  // join the red above into a group of three.
  board.SetCell(1, 2, 0);
  board.SetCell(2, 2, 1);
  board.SetCell(2, 1, 1);
  board.SetCell(3, 2, 0);
  board.SetCell(4, 2, 0);
  ShootAndLand(1, 1);
  ASSERT_EQ(board.Cell(2, 2).kind, -1);
  ASSERT_TRUE(TickUntil([&] { return CountKind(0) == 0; }, 400));
  EXPECT_EQ(board.GetScore(), 3 * 51 + 3 * 51);
}

// ---- Points

TEST_F(BoardTest, PointsPerRuneGrowWithTheGroup) {
  struct Case {
    int size, points;
  };
  for (const Case& c : {Case{5, 255}, Case{6, 432}, Case{9, 837}, Case{12, 1368}}) {
    StartPreparedStage();
    // A column of size - 1 runes in column 0 and 1, then a shot completes the group.
    int placed = 0;
    for (int row = 1; placed < c.size - 1; ++row) {
      for (int column = 0; column < 2 && placed < c.size - 1; ++column, ++placed) board.SetCell(row, column, 2);
    }
    board.SetCell(1, 2, 2);
    board.SetCell(1, 2, -1);
    ShootAndLand(2, 2);
    EXPECT_EQ(board.GetScore(), c.points) << c.size;
  }
}

// ---- Bonuses

class BoardBonusTest : public BoardTest {
 protected:
  // A red group of three in column 4 (rows 1, 2 and the shot into row 3), the token on row 1.
  void ShootRedGroupWithToken(int kind) {
    board.SetCell(1, 4, 0);
    board.SetCell(2, 4, 0);
    board.PlaceToken(1, 4, kind);
    ShootAndLand(4, 0);
  }
};

TEST_F(BoardBonusTest, TrippleMultipliesByThreeAndTwoMultiplyByNine) {
  StartPreparedStage();
  ShootRedGroupWithToken(0);
  EXPECT_EQ(board.GetScore(), 3 * 51 * 3);
  EXPECT_TRUE(board.Tokens().empty());
  bool sawText = false;
  for (const FloatingText& text : board.FloatingTexts()) sawText = sawText || text.text == "Triple! x3";
  EXPECT_TRUE(sawText);
  EXPECT_EQ(host.CountSound(3), 1);  // the bar took it
  EXPECT_EQ(host.CountSound(2), 1);  // a tripple is no bonus blast

  StartPreparedStage();
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  board.PlaceToken(1, 4, 0);
  board.PlaceToken(2, 4, 0);
  ShootAndLand(4, 0);
  EXPECT_EQ(board.GetScore(), 3 * 51 * 9);
}

TEST_F(BoardBonusTest, AGroupFullOfTrippleTokensScoresTheLargestScoreNotAnOverflow) {
  StartPreparedStage();
  // 21 reds with a tripple each in columns 0 to 2; the shot into column 3 joins them: 22 runes
  // times 114 times 3 to the 21st, far past 32 bits.
  for (int row = 1; row <= 7; ++row) {
    for (int column = 0; column < 3; ++column) {
      board.SetCell(row, column, 0);
      board.PlaceToken(row, column, 0);
    }
  }
  ShootAndLand(3, 0);
  EXPECT_EQ(board.GetLargestGroup(), 22);
  EXPECT_EQ(board.GetScore(), INT_MAX);
  for (int slot = 0; slot < ScoreCounter::kSlots; ++slot) EXPECT_EQ(board.Score().GetSlot(slot), 9);
  bool sawPoints = false;
  for (const FloatingText& text : board.FloatingTexts()) sawPoints = sawPoints || text.text == "2147483647";
  EXPECT_TRUE(sawPoints);
  // More points keep it there.
  board.SetCell(1, 7, 1);
  board.SetCell(2, 7, 1);
  Tick(16);  // the carriage changes away from red, which has gone
  ShootAndLand(7, 1);
  EXPECT_EQ(board.Cell(1, 7).kind, -1);
  EXPECT_EQ(board.GetScore(), INT_MAX);
}

TEST_F(BoardBonusTest, SlowDoublesTheIntervalOnceAndASecondSlowOnlyRestartsTheTimer) {
  StartPreparedStage(3, 100);
  ShootRedGroupWithToken(1);
  EXPECT_EQ(board.mSpeed, 200);
  EXPECT_EQ(board.mBaseSpeed, 100);
  EXPECT_NEAR(board.GetSlowTimer(), 200 * 20 + 128, 2);
  Tick(500);
  ShootRedGroupWithToken(1);
  EXPECT_EQ(board.mSpeed, 200);
  EXPECT_NEAR(board.GetSlowTimer(), 200 * 20 + 128, 2);
  ASSERT_TRUE(TickUntil([&] { return board.GetSlowTimer() == -1; }, 5000));
  EXPECT_EQ(board.mSpeed, 100);
}

TEST_F(BoardBonusTest, ColourWipeDestroysEveryRuneOfTheGroupsColour) {
  StartPreparedStage();
  board.SetCell(1, 0, 0);
  board.SetCell(1, 8, 0);
  board.SetCell(1, 6, 1);
  board.SetCell(2, 6, 0);
  ShootRedGroupWithToken(2);
  EXPECT_EQ(CountKind(0), 0);
  EXPECT_EQ(board.Cell(1, 6).kind, 1);
  EXPECT_EQ(board.GetColourCount(0), 0);
  EXPECT_EQ(board.GetScore(), 6 * 72);
  EXPECT_EQ(host.CountSound(12), 1);
  EXPECT_EQ(host.CountSound(2), 0);
}

TEST_F(BoardBonusTest, BombDestroysTheEightNeighboursOfItsRune) {
  StartPreparedStage();
  for (int column = 3; column <= 5; ++column) {
    if (column != 4) {
      board.SetCell(1, column, 1);
      board.SetCell(2, column, 2);
      board.SetCell(3, column, 1);
    }
  }
  board.SetCell(4, 3, 2);  // two rows under the bomb: stays
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  board.PlaceToken(2, 4, 3);  // the bomb in row 2: rows 1 to 3 around it go
  ShootAndLand(4, 0);
  for (int row = 1; row <= 3; ++row)
    for (int column = 3; column <= 5; ++column) EXPECT_EQ(board.Cell(row, column).kind, -1) << row << column;
  EXPECT_EQ(board.Cell(4, 3).kind, 2);
  EXPECT_EQ(board.GetScore(), 9 * 93);  // 3 reds and the 6 neighbours beside them
  EXPECT_EQ(host.CountSound(12), 1);
}

TEST_F(BoardBonusTest, FlashStrikeDestroysThreeRunesUpTheColumn) {
  StartPreparedStage();
  ShootRedGroupWithToken(4);
  EXPECT_TRUE(board.IsFlashActive());
  EXPECT_EQ(board.GetFlashShots(), 6);
  EXPECT_EQ(board.CarriageRune().kind, 0);
  Tick(16);  // the change that starts the flash
  for (int row = 1; row <= 5; ++row) board.SetCell(row, 6, row % 3);
  SetCarriage(6, 0);
  board.KeyDown(KEYCODE_UP);  // no change while the flash is on
  EXPECT_EQ(host.CountSound(11), 0);
  const int score = board.GetScore();
  board.Shoot();
  EXPECT_EQ(host.CountSound(4), 1);
  EXPECT_EQ(board.GetFlashShots(), 5);
  EXPECT_EQ(board.CountRunesInFlight(), 0);
  EXPECT_TRUE(board.IsInputLocked());
  EXPECT_EQ(board.Cell(5, 6).kind, -1);
  EXPECT_EQ(board.Cell(4, 6).kind, -1);
  EXPECT_EQ(board.Cell(3, 6).kind, -1);
  EXPECT_NE(board.Cell(2, 6).kind, -1);
  EXPECT_EQ(board.GetScore(), score + 3 * 51);  // three groups of one
  // The lightning grows 60 pixels every 5 ticks to 300, then input is free again.
  Tick(24);
  EXPECT_TRUE(board.IsInputLocked());
  Tick(1);
  EXPECT_FALSE(board.IsInputLocked());
}

TEST_F(BoardBonusTest, TheFlashEndsWithTheChangeAfterItsLastShot) {
  StartPreparedStage();
  ShootRedGroupWithToken(4);
  Tick(16);
  for (int shot = 0; shot < 6; ++shot) {
    board.SetCell(1, 6, 1);
    SetCarriage(6, 0);
    board.Shoot();
    Tick(25);
  }
  EXPECT_EQ(board.GetFlashShots(), 0);
  Tick(20);
  EXPECT_FALSE(board.IsFlashActive());
}

TEST_F(BoardBonusTest, TokensBlinkInStayAndBlinkOut) {
  StartPreparedStage();
  board.bonusInterval = 10;
  board.bonusLifetime = 100;
  board.enabledBonuses = {3};
  for (int row = 1; row <= 3; ++row)
    for (int column = 0; column < 9; ++column) board.SetCell(row, column, (row + column) % 3);
  srand(1);
  Tick(10);
  ASSERT_EQ(board.Tokens().size(), 1u);
  BonusToken* token = board.Tokens().front();
  EXPECT_EQ(token->kind, 3);
  EXPECT_EQ(token->phase, 1);
  board.bonusInterval = 0;
  Tick(5 * 51 + 1);
  EXPECT_EQ(token->phase, BonusToken::kStable);
  Tick(100);
  EXPECT_EQ(token->phase, -1);
  Tick(5 * 51 + 1);
  EXPECT_TRUE(board.Tokens().empty());
}

TEST_F(BoardBonusTest, ATokenMovesWithItsRuneWhenRowsSlide) {
  StartPreparedStage(3, 2);
  board.SetCell(2, 5, 1);
  BonusToken* token = board.PlaceToken(2, 5, 0);
  ASSERT_TRUE(TickUntil([&] { return board.IsSliding(); }, 100));
  ASSERT_TRUE(TickUntil([&] { return !board.IsSliding(); }, 200));
  EXPECT_EQ(board.Cell(3, 5).bonus, token);
  EXPECT_EQ(token->rune, &board.Cell(3, 5));
  EXPECT_EQ(board.Cell(2, 5).bonus, nullptr);
}

// ---- Lives

TEST_F(BoardTest, AnExtraLifeComesEveryQuarterMillionInTheStoryOnly) {
  StartPreparedStage();
  host.totalScore = 249900;
  host.lives = 3;
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  ShootAndLand(4, 0);
  EXPECT_EQ(host.lives, 4);
  EXPECT_EQ(host.lastLifeTotal, 249900 + 153);
  EXPECT_EQ(board.GetLifeCount(), 4);
  EXPECT_EQ(host.CountSound(3), 1);

  for (int mode : {Board::MODE_CUSTOM, Board::MODE_ENDLESS}) {
    StartPreparedStage();
    board.mode = mode;
    host.lastLifeTotal = 0;
    board.SetCell(1, 4, 0);
    board.SetCell(2, 4, 0);
    ShootAndLand(4, 0);
    EXPECT_EQ(host.lives, 4) << mode;
  }

  StartPreparedStage();
  board.mode = Board::MODE_STORY;
  host.lives = 5;
  host.lastLifeTotal = 0;
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  ShootAndLand(4, 0);
  EXPECT_EQ(host.lives, 5);
}

// ---- The end of a stage

TEST_F(BoardTest, AClearedFieldIsSweptThenWon) {
  StartStage(0, 0, 10000);
  board.SkipInitialFill();
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  Tick(8);
  ShootAndLand(4, 0);
  EXPECT_EQ(board.GetLiveRunes(), 0);
  Tick();
  EXPECT_EQ(board.GetEndState(), Board::END_WON);
  EXPECT_TRUE(board.IsInputLocked());
  // The sweep waits for the explosions, then visits the 14 rows of 9 cells, one every 11 ticks.
  ASSERT_TRUE(TickUntil([&] { return board.IsSweepRunning(); }, 100));
  const int scoreBefore = board.GetScore();
  ASSERT_TRUE(TickUntil([&] { return !host.endings.empty(); }, 3000));
  EXPECT_EQ(host.CountSound(17), 14 * 9);
  EXPECT_EQ(board.GetScore(), scoreBefore + 14 * 9 * 250);
  EXPECT_EQ(host.sounds.back(), 13);
  EXPECT_FALSE(board.IsActive());
  ASSERT_EQ(host.endings.size(), 1u);
  EXPECT_EQ(host.endings[0].result, 1);
  EXPECT_EQ(host.endings[0].x, 140);
  EXPECT_EQ(host.endings[0].y, 480);
  EXPECT_EQ(host.endings[0].w, 243);
  EXPECT_EQ(host.endings[0].h, 300);
  EXPECT_TRUE(board.FloatingTexts().empty());
  Tick(100);
  EXPECT_EQ(host.endings.size(), 1u);
}

TEST_F(BoardTest, ARowSlidingInWhenTheStageIsWonEndsItsSlideAndNoOtherComes) {
  StartStage(0, 0, 5);  // no supply: dead rows come every 54 ticks
  board.SkipInitialFill();
  board.SetCell(5, 4, 1);  // the last rune of colour
  ASSERT_TRUE(TickUntil([&] { return board.IsSliding(); }, 200));
  Tick(20);
  ASSERT_TRUE(board.IsSliding());
  board.SetCell(5, 4, -1);
  Tick();
  ASSERT_EQ(board.GetEndState(), Board::END_WON);
  ASSERT_TRUE(TickUntil([&] { return !board.IsSliding(); }, 100));
  for (int row = 0; row < Board::kRows; ++row) {
    for (int column = 0; column < 9; ++column) {
      const Rune& rune = board.Cell(row, column);
      EXPECT_FLOAT_EQ(rune.y, rune.homeY) << row << " " << column;
      EXPECT_EQ(rune.kind >= Board::kDeadKind, row == 1) << row << " " << column;
    }
  }
  // The sweep from under the dead row to the bottom, and no row after it.
  ASSERT_TRUE(TickUntil([&] { return !host.endings.empty() || board.IsSliding(); }, 3000));
  EXPECT_FALSE(board.IsSliding());
  EXPECT_EQ(host.CountSound(5), 1);
  EXPECT_EQ(host.CountSound(17), 13 * 9);
  EXPECT_EQ(board.GetTopRow(), 2);
}

TEST_F(BoardTest, AShotStillFlyingWhenTheFieldIsClearedBurstsInsteadOfLanding) {
  StartStage(0, 0, 10000);
  board.SkipInitialFill();
  board.SetCell(1, 4, 0);
  board.SetCell(2, 4, 0);
  Tick(8);
  SetCarriage(4, 0);
  board.Shoot();  // completes the last group
  Tick(8);
  SetCarriage(7, 1);
  board.Shoot();  // still on its way up the empty column when the group goes
  ASSERT_TRUE(TickUntil([&] { return board.GetEndState() == Board::END_WON; }, 100));
  EXPECT_EQ(board.CountRunesInFlight(), 0);
  Tick(200);
  for (int row = 0; row < Board::kRows; ++row)
    for (int column = 0; column < 9; ++column) EXPECT_EQ(board.Cell(row, column).kind, -1);
  EXPECT_EQ(board.GetShots(), 2);
}

TEST_F(BoardTest, ARuneInTheLastRowFreezesTheFieldThenLosesTheStage) {
  StartPreparedStage();
  host.lives = 2;
  board.SetLifeCount(2);
  board.SetCell(14, 3, 1);
  Tick();
  EXPECT_EQ(board.GetEndState(), Board::END_LOST);
  EXPECT_EQ(board.GetLossCountdown(), 1);
  EXPECT_TRUE(board.IsInputLocked());
  Tick(100);
  EXPECT_TRUE(host.endings.empty());
  EXPECT_EQ(host.CountSound(14), 0);
  Tick(1);
  EXPECT_EQ(host.CountSound(14), 1);
  ASSERT_EQ(host.endings.size(), 1u);
  EXPECT_EQ(host.endings[0].result, 0);
  EXPECT_EQ(host.endings[0].h, 200);
  EXPECT_EQ(host.lives, 1);
  EXPECT_EQ(board.GetLifeCount(), 1);
  EXPECT_FALSE(board.IsActive());
}

TEST_F(BoardTest, AnEndlessGameEndsWithItsOwnResult) {
  board.StartEndless();
  board.SkipInitialFill();
  board.SetActive(true);
  board.SetCell(14, 0, 1);
  Tick(102);
  ASSERT_EQ(host.endings.size(), 1u);
  EXPECT_EQ(host.endings[0].result, -1);
  EXPECT_EQ(host.endings[0].h, 300);
  EXPECT_EQ(host.lives, 3);  // only the story takes lives
}

TEST_F(BoardTest, TheClockCountsHundredthsSecondsAndMinutes) {
  StartPreparedStage();
  const int start = board.GetTicks() + 100 * board.GetSeconds();
  Tick(100 * 61 + 5 - start);
  EXPECT_EQ(board.GetMinutes(), 1);
  EXPECT_EQ(board.GetSeconds(), 1);
  EXPECT_EQ(board.GetTicks(), 5);
}

// ---- Colour picks

TEST_F(BoardTest, CarriageColourIsAlwaysOneStillInPlay) {
  StartPreparedStage();
  board.SetCell(2, 2, 1);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(board.PickCarriageColour(), 1);
  // No colour counted while rows are still to come: a colour of the stage, not a hang.
  board.SetCell(2, 2, -1);
  ASSERT_GT(board.GetLiveRunes(), 0);
  for (int i = 0; i < 200; ++i) {
    const int colour = board.PickCarriageColour();
    EXPECT_TRUE(colour >= 0 && colour <= 2);
  }
}

// ---- One seed, one run

// The framework seeds rand() from -seed; the effects draw from a generator of their own, which
// loading the templates seeds from rand(). (Whether the files are found does not matter here.)
TEST(ParticleTemplatesTest, TheApplicationsSeedAlsoDecidesTheEffects) {
  auto drawsAfterLoading = [](unsigned seed) {
    srand(seed);
    ParticleTemplates templates;
    std::string error;
    templates.Load(error);
    std::vector<float> draws;
    for (int i = 0; i < 8; ++i) draws.push_back(ParticleSystem::RandomDraw());
    return draws;
  };
  const std::vector<float> first = drawsAfterLoading(11);
  ParticleSystem::RandomDraw();  // what effects drew in between does not carry over
  EXPECT_EQ(drawsAfterLoading(11), first);
  EXPECT_NE(drawsAfterLoading(12), first);
}

// ---- Level file

TEST_F(BoardTest, StagesAreReadFromTheLevelFile) {
  const std::string xml =
      "<Levels><Level id=\"1\" stages=\"2\">"
      "<Stage id=\"1\" rows=\"4\" runsats=\"9\" speed=\"220\" bonusswt=\"900\" bonuslifet=\"800\" r=\"1\" g=\"1\" "
      "y=\"1\" />"
      "<Stage id=\"2\" rows=\"5\" runsats=\"11\" speed=\"216\" bonusswt=\"700\" bonuslifet=\"600\" tripple=\"1\" "
      "bomb=\"1\" g=\"1\" bl=\"1\" p=\"1\" />"
      "</Level><Level id=\"2\" stages=\"1\"><Stage id=\"1\" rows=\"9\" runsats=\"20\" speed=\"100\" r=\"1\" "
      "/></Level></Levels>";
  ASSERT_TRUE(board.LoadStageFromText(xml, 1, 2));
  EXPECT_EQ(board.level, 1);
  EXPECT_EQ(board.stage, 2);
  EXPECT_EQ(board.mRowsLeft, 5);
  EXPECT_EQ(board.mStartRunes, 11);
  EXPECT_EQ(board.mBaseSpeed, 216);
  EXPECT_EQ(board.bonusInterval, 700);
  EXPECT_EQ(board.bonusLifetime, 600);
  EXPECT_EQ(board.enabledBonuses, (std::vector<int>{0, 3}));
  EXPECT_EQ(board.enabledColours, (std::vector<int>{1, 3, 5}));
  ASSERT_TRUE(board.LoadStageFromText(xml, 2, 1));
  EXPECT_EQ(board.mRowsLeft, 9);
  EXPECT_TRUE(board.enabledBonuses.empty());
}

TEST_F(BoardTest, MissingLevelsAndStagesLeaveTheBoardUnchanged) {
  board.mRowsLeft = 77;
  testing::internal::CaptureStderr();
  const std::string xml =
      "<Levels><Level id=\"1\" stages=\"1\"><Stage id=\"1\" rows=\"4\" r=\"1\" /></Level>"
      "<Level id=\"2\" stages=\"2\"><Stage id=\"2\" rows=\"6\" r=\"1\" /></Level></Levels>";
  EXPECT_FALSE(board.LoadStageFromText(xml, 3, 1));
  EXPECT_FALSE(board.LoadStageFromText(xml, 1, 2));  // not level 2's stage 2
  EXPECT_FALSE(board.LoadStageFromText(StageXml("rows=\"4\"", "01"), 1, 1));
  EXPECT_FALSE(board.LoadStageFromText("<Levels><Level id=\"1\"", 1, 1));
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(board.mRowsLeft, 77);
  EXPECT_NE(errors.find("Level 1 stage 2 is not in properties/levels.xml"), std::string::npos);
}

TEST_F(BoardTest, DamagedStagesStayPlayable) {
  struct Case {
    const char* attributes;
    bool endsSoon;  // rows come fast enough for blind play to end it within the run
  };
  for (const Case& c : {Case{"", true}, Case{"rows=\"0\" runsats=\"0\" speed=\"0\"", true},
                        Case{"rows=\"-5\" runsats=\"-3\" speed=\"-10\" bonusswt=\"-1\"", true},
                        Case{"rows=\"99999999999\" runsats=\"500\" speed=\"2147483647\" r=\"1\"", false},
                        Case{"rows=\"3\" runsats=\"9\" speed=\"x\"", true},
                        Case{"rows=\"2\" runsats=\"200\" speed=\"1\" bonusswt=\"1\" bonuslifet=\"0\" tripple=\"1\" "
                             "slow=\"1\" runsdeath=\"1\" bomb=\"1\" flash=\"1\" bl=\"1\"",
                             true}}) {
    SCOPED_TRACE(c.attributes);
    RecordingHost damagedHost;
    Board damaged(&damagedHost);
    testing::internal::CaptureStderr();
    ASSERT_TRUE(damaged.LoadStageFromText(StageXml(c.attributes), 1, 1));
    EXPECT_GE(damaged.mBaseSpeed, 1);
    EXPECT_GE(damaged.mRowsLeft, 0);
    EXPECT_LE(damaged.mStartRunes, 12 * 9);
    damaged.ResetBoard();
    testing::internal::GetCapturedStderr();
    damaged.SetActive(true);
    // Play it blindly: aim and shoot every few ticks until it ends.
    for (int i = 0; i < 60000 && damagedHost.endings.empty(); ++i) {
      if (i % 7 == 0) damaged.AimAtColumn(i / 7 % 9);
      if (i % 5 == 0) damaged.Shoot();
      damaged.Update();
      damaged.UpdateSmooth(1.0f);
    }
    EXPECT_EQ(damagedHost.endings.size(), c.endsSoon ? 1u : 0u);
    for (int colour = 0; colour < 6; ++colour) EXPECT_GE(damaged.GetColourCount(colour), 0);
    EXPECT_GE(damaged.GetLiveRunes(), 0);
  }
}

TEST_F(BoardTest, NumbersThatAreNoneAreReportedAndStagesEndInMinutes) {
  testing::internal::CaptureStderr();
  ASSERT_TRUE(board.LoadStageFromText(StageXml("rows=\"four\" runsats=\"0\" r=\"yes\" g=\"1\""), 1, 1));
  std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("Level 1 stage 1: rows \"four\" is not a number"), std::string::npos) << errors;
  EXPECT_GT(board.mRowsLeft, 0);  // not a stage won before it starts
  EXPECT_EQ(board.enabledColours, (std::vector<int>{1}));
  EXPECT_NE(errors.find("r \"yes\" is not a number"), std::string::npos) << errors;

  testing::internal::CaptureStderr();
  ASSERT_TRUE(board.LoadStageFromText(StageXml("rows=\"400\" speed=\"20000\" bonusswt=\"1000000\" r=\"1\""), 1, 1));
  errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("speed 20000 is out of range"), std::string::npos) << errors;
  // Every row of the stage has come within half an hour of play.
  EXPECT_LE(int64_t(board.mRowsLeft) * Board::kColumns * (board.mBaseSpeed + 1), 100 * 60 * 31);
  EXPECT_LE(board.bonusInterval, 100 * 60);
}

TEST_F(BoardTest, StagePicturesAreAskedForByNumberAndMissingOnesAreReported) {
  host.mapLevel = 1;
  host.mapStage = 1;
  host.picturesMissing = true;
  testing::internal::CaptureStderr();
  board.StartStoryStage(4);
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_EQ(host.picturesAsked, (std::vector<std::string>{"images/bkg4.jpg", "images/boss4.png", "images/leaf4.png"}));
  EXPECT_NE(errors.find("Missing stage picture: images/boss4.png"), std::string::npos);
  EXPECT_EQ(host.screenState, 3);
  EXPECT_FALSE(board.IsActive());
}

}  // namespace
}  // namespace Orva

namespace Orva {
namespace {

// The colour counters and the live count must always agree with the field: a drift either wins a
// stage with runes left or makes it unwinnable.
TEST_F(BoardTest, CountersFollowTheFieldThroughRandomPlayWithEveryBonus) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    srand(seed);
    RecordingHost playHost;
    Board play(&playHost);
    play.enabledColours = {0, 1, 2, 3};
    play.enabledBonuses = {0, 1, 2, 3, 4};
    play.mRowsLeft = 6;
    play.mStartRunes = 30;
    play.mBaseSpeed = 40;
    play.bonusInterval = 60;
    play.bonusLifetime = 400;
    play.ResetBoard();
    play.SetActive(true);
    for (int tick = 0; tick < 40000 && playHost.endings.empty(); ++tick) {
      const int action = rand() % 12;
      if (action == 0) play.Shoot();
      if (action == 1) play.AimAtColumn(rand() % 9);
      if (action == 2) play.RequestRuneChange();
      play.Update();
      play.UpdateSmooth(1.0f);
      if (play.IsFilling()) continue;  // the start runes still to place are counted already
      int counted[6] = {};
      int onField = 0;
      for (int row = 0; row < Board::kRows; ++row)
        for (int column = 0; column < 9; ++column) {
          const int kind = play.Cell(row, column).kind;
          if (kind >= 0 && kind < 6) {
            ++counted[kind];
            ++onField;
          }
        }
      for (int column = 0; column < 9; ++column) {
        const int kind = play.NextRow()[size_t(column)];
        if (kind >= 0 && kind < 6) ++counted[kind];
      }
      const int toCome = std::max(0, play.mRowsLeft) * 9;
      ASSERT_EQ(play.GetLiveRunes(), onField + toCome) << "tick " << tick;
      for (int colour = 0; colour < 6; ++colour) ASSERT_EQ(play.GetColourCount(colour), counted[colour]) << tick;
    }
    EXPECT_EQ(playHost.endings.size(), 1u);
  }
}

}  // namespace
}  // namespace Orva
