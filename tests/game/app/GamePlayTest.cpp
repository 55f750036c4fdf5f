// Whole stages played through the game's real loop, headless: the game is started with -play and a
// fixed seed, input goes through the window system's script (mouse moves and clicks), and what
// the player would see is read from the board and the printed result.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "game/app/TestGameApp.h"
#include "game/board/Board.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

// The mouse x of a column: the middle of its cell.
int ColumnX(int column) { return Board::kGridLeft + Board::kCell * column + 15; }

class GamePlayTest : public ::testing::Test {
 protected:
  void Play(const std::string& request, int seed = 5) {
    app_ = std::make_unique<TestGameApp>(
        data_.Path().string(),
        std::vector<std::string>{"-play=" + request, "-seed=" + std::to_string(seed), "-onestage"}, false);
    app_->Init();
    app_->Load();
    board_ = app_->mBoard.get();
    ASSERT_TRUE(board_->IsActive());
  }

  // The board's own clock in ticks.
  int Clock() const { return (board_->GetMinutes() * 60 + board_->GetSeconds()) * 100 + board_->GetTicks(); }

  // Loop steps until the condition holds (or the program ends); false when it did not.
  template <typename Condition>
  bool RunUntil(Condition condition, int limit = 200000) {
    for (int i = 0; i < limit; ++i) {
      if (condition()) return true;
      if (!app_->StepUntilUpdate()) return condition();
    }
    return condition();
  }

  void Updates(int n) {
    for (int i = 0; i < n; ++i) app_->StepUntilUpdate();
  }

  void ShootAt(int column) {
    app_->input->QueueMouseMove(ColumnX(column), 300);
    app_->input->QueueMouseDown(ColumnX(column), 300);
    app_->input->QueueMouseUp(ColumnX(column), 300);
    app_->Drain(1);
  }

  // The fill is over and the carriage rune has risen into place. Sets fillEnded_ to the board's
  // clock at the tick the fill ended.
  void WaitUntilReady() {
    ASSERT_TRUE(RunUntil([&] { return !board_->IsFilling(); }));
    fillEnded_ = Clock();
    Updates(9);
  }

  bool Playing(int effect) const { return app_->mSounds[size_t(effect)]->IsPlaying(); }

  Testing::TempFolder data_{"gameplay"};
  Testing::WorkingFolder working_{fs::path(ORVA_GAME_DIR)};
  std::unique_ptr<TestGameApp> app_;
  Board* board_ = nullptr;
  int fillEnded_ = 0;
};

TEST_F(GamePlayTest, AStageFillsInASnakeTakesRowsOnTimeAndIsLostWithoutAPlayer) {
  // Level 1, stage 2: 11 runes at the start, a column every 216 + 1 ticks.
  Play("story:1:2");
  EXPECT_TRUE(board_->IsFilling());
  WaitUntilReady();
  int placed = 0;
  for (int row = 1; row < Board::kRows; ++row)
    for (int column = 0; column < Board::kColumns; ++column) placed += board_->Cell(row, column).kind != -1;
  EXPECT_EQ(placed, 11);
  for (int column = 0; column < 9; ++column) EXPECT_NE(board_->Cell(1, column).kind, -1);
  EXPECT_NE(board_->Cell(2, 8).kind, -1);
  EXPECT_NE(board_->Cell(2, 7).kind, -1);
  EXPECT_EQ(board_->Cell(2, 6).kind, -1);

  // Rows: 9 columns of 217 ticks each, counted from the end of the fill.
  ASSERT_TRUE(RunUntil([&] { return board_->IsSliding(); }));
  EXPECT_EQ(Clock() - fillEnded_, 9 * 217);
  // A slide ends in the frame after a tick; the next row's timer starts with the tick after it.
  ASSERT_TRUE(RunUntil([&] { return !board_->IsSliding(); }));
  const int firstTickAfterSlide = Clock();
  ASSERT_TRUE(RunUntil([&] { return board_->IsSliding(); }));
  EXPECT_EQ(Clock() - firstTickAfterSlide + 1, 9 * 217);

  // Nobody plays: with column 0 hanging down to row 13, the next row pushes a rune into row 14;
  // the field freezes for 100 ticks and the stage is lost.
  for (int row = 1; row <= 13; ++row)
    if (board_->Cell(row, 0).kind == -1) board_->SetCell(row, 0, 5 - row % 3);
  ASSERT_TRUE(RunUntil([&] { return board_->GetEndState() == Board::END_LOST; }));
  const int lostAt = Clock();
  ::testing::internal::CaptureStdout();
  RunUntil([&] { return app_->shutdown.load(); });
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(Clock() - lostAt, 101);
  EXPECT_TRUE(Playing(14));
  EXPECT_EQ(out.rfind("stage result: lost level=1 stage=2 score=0 shots=0", 0), 0u) << out;
  EXPECT_EQ(app_->mLives, 2);
}

TEST_F(GamePlayTest, MouseShotsLandGroupsExplodeAndGapsClose) {
  Play("story:1:1");
  WaitUntilReady();
  const int colour = board_->CarriageRune().kind;
  const int other = (colour + 1) % 3;
  // Column 4 under row 1: two of the carriage's colour; beside the upper one, one more with a
  // rune of another colour hanging under it.
  board_->SetCell(1, 4, other);
  board_->SetCell(1, 3, other);
  board_->SetCell(1, 5, other);
  board_->SetCell(2, 4, colour);
  board_->SetCell(3, 4, colour);
  board_->SetCell(2, 3, colour);
  board_->SetCell(3, 3, other);
  board_->SetCell(2, 5, other);

  ShootAt(4);
  EXPECT_EQ(board_->GetCarriageColumn(), 4);
  EXPECT_EQ(board_->GetShots(), 1);
  EXPECT_TRUE(Playing(0));
  ASSERT_TRUE(RunUntil([&] { return board_->CountRunesInFlight() == 0; }, 100));
  EXPECT_TRUE(Playing(1));
  EXPECT_TRUE(Playing(2));
  EXPECT_EQ(board_->GetScore(), 4 * 51);
  EXPECT_EQ(board_->GetLargestGroup(), 4);
  EXPECT_EQ(board_->Cell(4, 4).kind, -1);
  // The rune under the exploded one in column 3 rises into its place.
  ASSERT_TRUE(RunUntil([&] { return board_->Cell(3, 3).kind == -1; }, 200));
  EXPECT_EQ(board_->Cell(2, 3).kind, other);
}

TEST_F(GamePlayTest, AClearedFieldIsSweptAndWon) {
  Play("story:1:1");
  WaitUntilReady();
  // Everything still to come is taken away: the last group on the field wins the stage.
  board_->mRowsLeft = -1;
  for (int row = 0; row < Board::kRows; ++row)
    for (int column = 0; column < Board::kColumns; ++column) board_->SetCell(row, column, -1);
  const int colour = board_->CarriageRune().kind;
  board_->SetCell(1, 6, colour);
  board_->SetCell(2, 6, colour);
  // The counters now hold only these two runes.
  const int live = board_->GetLiveRunes();
  for (int c = 0; c < 6; ++c) EXPECT_EQ(board_->GetColourCount(c), c == colour ? 2 : 0);
  EXPECT_GE(live, 2);

  ShootAt(6);
  ASSERT_TRUE(RunUntil([&] { return board_->GetEndState() == Board::END_WON; }, 200));
  ASSERT_TRUE(RunUntil([&] { return board_->IsSweepRunning(); }, 200));
  const int scoreBeforeSweep = board_->GetScore();
  ::testing::internal::CaptureStdout();
  RunUntil([&] { return app_->shutdown.load(); });
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(board_->GetScore(), scoreBeforeSweep + 14 * 9 * 250);
  EXPECT_TRUE(Playing(17));
  EXPECT_TRUE(Playing(13));
  EXPECT_EQ(out.rfind("stage result: won level=1 stage=1 score=" + std::to_string(board_->GetScore()), 0), 0u) << out;
}

TEST_F(GamePlayTest, TheSameSeedPlaysTheSameGame) {
  auto playBlind = [&](int seed) {
    Play("endless", seed);
    std::string trace;
    for (int i = 0; i < 20; ++i) {
      ShootAt(i % 9);
      Updates(40);
    }
    for (int row = 0; row < Board::kRows; ++row)
      for (int column = 0; column < Board::kColumns; ++column) trace += char('a' + board_->Cell(row, column).kind + 1);
    return trace + " " + std::to_string(board_->GetScore()) + " " + std::to_string(board_->GetShots());
  };
  const std::string first = playBlind(11);
  app_.reset();
  const std::string second = playBlind(11);
  app_.reset();
  const std::string third = playBlind(12);
  EXPECT_EQ(first, second);
  EXPECT_NE(first, third);
}

}  // namespace
}  // namespace Orva
