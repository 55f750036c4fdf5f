#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/core/ResourceIds.h"
#include "game/particles/ParticleSystem.h"
#include "support/TempFolder.h"
#include "tools/bot/StageBot.h"

namespace Orva {
namespace {

constexpr int kRed = 0, kGreen = 1, kYellow = 2;

// ---- Decisions on prepared fields

class StageBotDecisionTest : public ::testing::Test {
 protected:
  HeadlessBoardHost host;
  Board board{&host};
  StageBot bot{board, {15, 0, 1}};

  void SetUp() override {
    std::srand(11);
    board.enabledColours = {kRed, kGreen, kYellow};
    board.mRowsLeft = 3;
    board.mStartRunes = 0;
    board.mBaseSpeed = 100000;
    board.bonusInterval = 0;
    board.ResetBoard();
    board.SetActive(true);
    board.SkipInitialFill();
    Tick(8);
  }

  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      board.Update();
      board.UpdateSmooth(1.0f);
    }
  }

  // Column `column` from row 1 down, one kind per row.
  void Column(int column, const std::vector<int>& kinds) {
    for (size_t i = 0; i < kinds.size(); ++i) board.SetCell(1 + int(i), column, kinds[i]);
  }
};

TEST_F(StageBotDecisionTest, AimsWhereTheRuneCompletesTheLargestGroup) {
  Column(1, {kGreen, kRed});                 // a single red at the bottom
  Column(4, {kGreen, kRed, kRed});           // a red pair under the green
  Column(6, {kRed, kGreen, kRed, kYellow});  // reds, but not at the bottom
  board.CarriageRune().kind = kRed;
  const StageBot::Choice choice = bot.Decide();
  EXPECT_FALSE(choice.change);
  EXPECT_EQ(choice.column, 4);
  EXPECT_EQ(choice.groupSize, 3);

  // Sideways neighbours of the landing cell count too: a red beside row 4 of column 4 makes four.
  Column(3, {kGreen, kGreen, kYellow, kRed});
  EXPECT_EQ(bot.Decide().column, 4);
  EXPECT_EQ(bot.Decide().groupSize, 4);
}

TEST_F(StageBotDecisionTest, ChangesTheRuneOnlyWhenAnotherColourMatches) {
  Column(2, {kYellow, kGreen, kGreen});
  Column(5, {kYellow});
  board.CarriageRune().kind = kRed;
  board.SetCell(1, 8, kRed);  // red stays counted, so the change goes red -> green
  StageBot::Choice choice = bot.Decide();
  EXPECT_TRUE(choice.change);

  // With nothing to match for any colour it shoots where the rune hangs highest.
  board.SetCell(3, 2, kYellow);
  choice = bot.Decide();
  EXPECT_FALSE(choice.change);
  EXPECT_NE(choice.column, 2);
  EXPECT_GE(choice.column, 0);
}

TEST_F(StageBotDecisionTest, KeepsAwayFromColumnsNearTheBottomUnlessAShotClearsThem) {
  Column(0, std::vector<int>(10, Board::kDeadKind));  // a red would land at row 11
  // Neighbouring columns in opposite order, so no row holds a group.
  for (int column = 1; column < 9; ++column)
    Column(column, column % 2 ? std::vector<int>{kYellow, kGreen, kYellow, kGreen}
                              : std::vector<int>{kGreen, kYellow, kGreen, kYellow});
  board.CarriageRune().kind = kRed;
  board.SetCell(1, 8, kRed);
  // No colour matches anywhere: the deep column is the worst place to put a rune.
  StageBot::Choice choice = bot.Decide();
  EXPECT_FALSE(choice.change);
  EXPECT_NE(choice.column, 0);

  // Two reds at its bottom: the shot there clears the danger and is taken.
  board.SetCell(9, 0, kRed);
  board.SetCell(10, 0, kRed);
  choice = bot.Decide();
  EXPECT_EQ(choice.column, 0);
  EXPECT_EQ(choice.groupSize, 3);
}

TEST_F(StageBotDecisionTest, CountsOnTheRunesAlreadyInFlight) {
  Column(4, {kGreen, kRed, kRed});
  Column(7, {kYellow, kRed, kRed});
  board.AimAtColumn(4);
  board.CarriageRune().kind = kRed;
  board.Shoot();
  ASSERT_EQ(board.RunesInFlight(4).size(), 1u);
  Tick(8);
  board.CarriageRune().kind = kRed;
  // The red in flight takes the pair in column 4: the next red goes to column 7.
  const StageBot::Choice choice = bot.Decide();
  EXPECT_EQ(choice.column, 7);
  EXPECT_EQ(choice.groupSize, 3);
}

TEST_F(StageBotDecisionTest, AimsALightningShotAtTheLowestColumn) {
  Column(2, {kYellow, kRed, kRed});
  board.PlaceToken(3, 2, 4);  // lightning on the lower red
  board.AimAtColumn(2);
  board.CarriageRune().kind = kRed;
  board.Shoot();
  Tick(40);
  ASSERT_TRUE(board.IsFlashActive());
  Column(5, {kGreen, kYellow, kGreen, kYellow, kGreen, kYellow});
  Column(6, {kGreen, kYellow});
  const StageBot::Choice choice = bot.Decide();
  EXPECT_FALSE(choice.change);
  EXPECT_EQ(choice.column, 5);
}

// ---- Whole stages, from the level file

class StageBotPlayTest : public ::testing::Test {
 protected:
  void SetUp() override { working_ = std::make_unique<Testing::WorkingFolder>(std::filesystem::path(ORVA_GAME_DIR)); }
  void TearDown() override { working_.reset(); }

  // Plays the stage from its start; seeds the game's generators first.
  static StageRun Play(int level, int stage, unsigned seed, int limit, std::vector<int>* actionTicks = nullptr) {
    std::srand(seed);
    ParticleSystem::SeedRandom(seed);
    HeadlessBoardHost host;
    Board board(&host);
    if (!board.LoadStage(level, stage)) return {};
    board.ResetBoard();
    board.SetActive(true);
    StageBot bot(board, {15, 10, seed});
    int actions = 0;
    return PlayLoadedStage(board, host, bot, limit, [&](int tick) {
      if (actionTicks && bot.Actions() != actions) actionTicks->push_back(tick);
      actions = bot.Actions();
    });
  }

 private:
  std::unique_ptr<Testing::WorkingFolder> working_;
};

// Every stage of the first area ends, won or lost, well within the time a stage can last: rows
// come every 20 seconds or so, and once they run out dead rows fill the field.
TEST_F(StageBotPlayTest, EveryStageOfLevelsOneToFiveComesToAnEnd) {
  constexpr int kLimit = 100 * 60 * 20;
  int won = 0, stages = 0;
  for (int level = 1; level <= 5; ++level) {
    for (int stage = 1; stage <= 3; ++stage) {
      HeadlessBoardHost probeHost;
      probeHost.mapLevel = level;
      Board probe(&probeHost);
      ASSERT_TRUE(probe.LoadStageCount());
      if (stage > probe.stageCount) break;
      const StageRun run = Play(level, stage, 2024, kLimit);
      SCOPED_TRACE(testing::Message() << "level " << level << " stage " << stage);
      EXPECT_EQ(run.level, level);
      EXPECT_TRUE(run.result == Board::END_WON || run.result == Board::END_LOST) << ResultName(run.result);
      EXPECT_LT(run.ticks, kLimit);
      EXPECT_GT(run.shots, 0);
      won += run.result == Board::END_WON;
      ++stages;
    }
  }
  EXPECT_GE(stages, 10);
  // The first area is the gentle one: a bot that plays at all wins most of it.
  EXPECT_GE(won * 2, stages);
}

TEST_F(StageBotPlayTest, TheSameSeedPlaysTheSameStage) {
  const StageRun a = Play(2, 1, 5, 100 * 60 * 20);
  const StageRun b = Play(2, 1, 5, 100 * 60 * 20);
  EXPECT_EQ(a.result, b.result);
  EXPECT_EQ(a.score, b.score);
  EXPECT_EQ(a.shots, b.shots);
  EXPECT_EQ(a.ticks, b.ticks);
}

TEST_F(StageBotPlayTest, ActsAtMostEveryFifteenTicks) {
  std::vector<int> ticks;
  Play(1, 1, 9, 100 * 60 * 20, &ticks);
  ASSERT_GT(ticks.size(), 10u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_GT(ticks[i] - ticks[i - 1], 15) << "action " << i;
}

// The art the pictures and the benchmark draw with: the game's groups and the five templates set
// up as the game sets them up, and a board drawn with them shows its runes.
TEST_F(StageBotPlayTest, ArtLoadsTheGroupsAndTheBoardsParticleTemplates) {
  BoardArt art;
  std::string error;
  ASSERT_TRUE(art.Load(error)) << error;
  EXPECT_TRUE(error.empty());
  const BoardParticles particles = art.Particles();
  ASSERT_TRUE(particles.flyrunsBubbles && particles.bonus && particles.exp && particles.nextStage0 &&
              particles.nextStage1);
  EXPECT_EQ(particles.flyrunsBubbles->GetImage(), IMAGE_FBUBBLES);
  EXPECT_EQ(particles.bonus->GetImage(), IMAGE_BONUSPART);
  EXPECT_EQ(particles.exp->GetImage(), IMAGE_EXPPART);
  EXPECT_EQ(particles.nextStage1->GetImage(), IMAGE_NEXTSTAGE);
  EXPECT_TRUE(particles.flyrunsBubbles->IsAdditive() && particles.bonus->IsAdditive() && particles.exp->IsAdditive());
  EXPECT_FALSE(particles.nextStage0->IsAdditive() || particles.nextStage1->IsAdditive());
  EXPECT_FALSE(particles.nextStage0->IsSmoothSpawn());
  EXPECT_TRUE(particles.nextStage1->IsSmoothSpawn());
  EXPECT_EQ(particles.exp->GetFixedStep(), 1.0f / 30.0f);

  HeadlessBoardHost host;
  Board board(&host);
  board.SetParticles(particles);
  ASSERT_TRUE(board.LoadStage(1, 1));
  board.ResetBoard();
  board.SetActive(true);
  board.SkipInitialFill();
  auto draw = [&] {
    MemoryImage screen;
    screen.Create(640, 480);
    screen.ForceAlphaFlags(false, false);
    Graphics g(&screen);
    board.Draw(&g);
    return screen
        .GetPixels()[(5 * Board::kCell + Board::kGridTop + 15) * 640 + 4 * Board::kCell + Board::kGridLeft + 15];
  };
  const uint32_t emptyCell = draw();
  board.SetCell(5, 4, 0);
  EXPECT_NE(draw(), emptyCell) << "the rune at row 5, column 4";
}

}  // namespace
}  // namespace Orva
