// The playing field at its busiest, as the game runs it: the real board with the game's art and
// particle files, 100 updates per simulated second and one full draw into a 640 x 480 picture
// after each, for 60 simulated seconds (a plain program, not Google Benchmark: it reports CPU time
// against simulated time, the share of one core the board would take).
//
//   board_bench [--game DIR] [--seconds N]
//
// The stage is kept busy all the time: rows 1 to 10 full (emptied cells are filled again), six
// runes in flight with their bubble trails (the benchmark holds them in the air by moving them back
// down; every 25 updates it lets the oldest one land where it completes a group of six), so that
// explosions, their sparks and floating scores keep coming; bonus tokens appear every 1.5 s, and
// the stage-won sparks are fired every 3 s. The counts are printed as averages and minimums.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "framework/graphics/Color.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "game/particles/ParticleSystem.h"
#include "tools/bot/StageBot.h"

namespace {

using namespace Orva;

constexpr int kUpdatesPerSecond = 100;
constexpr int kInFlight = 6;
constexpr int kReleaseEvery = 25;
constexpr int kWonEffectEvery = 300;
constexpr int kFullRows = 10;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

const char* kStage =
    "<Levels><Level id=\"1\" stages=\"1\"><Stage id=\"1\" rows=\"50\" runsats=\"0\" speed=\"400\" "
    "bonusswt=\"150\" bonuslifet=\"6000\" tripple=\"1\" slow=\"1\" runsdeath=\"1\" bomb=\"1\" flash=\"0\" "
    "r=\"1\" g=\"1\" y=\"1\" p=\"1\" br=\"1\" bl=\"1\" /></Level></Levels>";

// A colour unlike the left and upper neighbours, so the refilled field holds no ready group.
int FillColour(const Board& board, int row, int column) {
  for (;;) {
    const int kind = std::rand() % Board::kColours;
    if (column > 0 && board.Cell(row, column - 1).kind == kind) continue;
    if (row > 1 && board.Cell(row - 1, column).kind == kind) continue;
    return kind;
  }
}

class BusyStage {
 public:
  explicit BusyStage(Board& board) : board_(board) {}

  // Before each update: refill, keep the runes in the air, shoot, release one now and then.
  void BeforeUpdate(int tick) {
    Refill();
    if (tick % kWonEffectEvery == 0) board_.TriggerStageWonEffect();
    Release(tick % kReleaseEvery == 0);
    Shoot();
  }

  // After each update: runes left under row 10 (shots that matched nothing) are taken away, so the
  // field never reaches the carriage.
  void AfterUpdate() {
    for (int row = kFullRows + 1; row < Board::kLastRow; ++row)
      for (int column = 0; column < Board::kColumns; ++column)
        if (board_.Cell(row, column).kind != -1 && !board_.IsRecheckPending()) board_.SetCell(row, column, -1);
  }

 private:
  void Refill() {
    if (board_.IsRecheckPending()) return;
    for (int row = 1; row <= kFullRows; ++row) {
      for (int column = 0; column < Board::kColumns; ++column) {
        Rune& cell = board_.Cell(row, column);
        if (cell.kind == -1 && cell.y == cell.homeY) board_.SetCell(row, column, FillColour(board_, row, column));
      }
    }
  }

  void Release(bool releaseOne) {
    // Released runes that have landed are gone from the flight lists.
    std::set<const Rune*> flying;
    for (int column = 0; column < Board::kColumns; ++column)
      for (const Rune* rune : board_.RunesInFlight(column)) flying.insert(rune);
    std::erase_if(released_, [&](const Rune* rune) { return flying.count(rune) == 0; });

    Rune* chosen = nullptr;
    for (int column = 0; column < Board::kColumns && releaseOne; ++column)
      for (Rune* rune : board_.RunesInFlight(column))
        if (released_.count(rune) == 0 && (!chosen || rune->y < chosen->y)) chosen = rune;
    for (int column = 0; column < Board::kColumns; ++column) {
      for (Rune* rune : board_.RunesInFlight(column)) {
        if (released_.count(rune) != 0) continue;
        if (rune == chosen) {
          released_.insert(rune);
          // Five of its colour around where it lands make a group of six.
          const int side = column > 0 ? column - 1 : column + 1;
          for (int row : {kFullRows - 1, kFullRows}) {
            board_.SetCell(row, column, rune->kind);
            board_.SetCell(row, side, rune->kind);
          }
          board_.SetCell(kFullRows - 2, column, rune->kind);
          continue;
        }
        // Three cells back down before it would land under row 10.
        if (rune->y < float(Board::kGridTop + Board::kCell * (kFullRows + 2))) rune->y += float(3 * Board::kCell);
      }
    }
  }

  void Shoot() {
    if (board_.CountRunesInFlight() >= kInFlight || board_.IsInputLocked()) return;
    const Rune& carriage = board_.CarriageRune();
    if (carriage.kind == -1 || carriage.y > float(board_.GetCarriageY() - 1)) return;
    for (int step = 0; step < Board::kColumns; ++step) {
      const int column = (nextColumn_ + step) % Board::kColumns;
      if (!board_.RunesInFlight(column).empty()) continue;
      board_.AimAtColumn(column);
      board_.Shoot();
      nextColumn_ = (column + 4) % Board::kColumns;
      return;
    }
  }

  Board& board_;
  int nextColumn_ = 0;
  std::set<const Rune*> released_;
};

struct Totals {
  long long particleSystems = 0, inFlight = 0, texts = 0, explosions = 0, tokens = 0;
  int minParticleSystems = 1 << 30, minInFlight = 1 << 30, minTexts = 1 << 30;
};

}  // namespace

int main(int argc, char** argv) {
  std::string game = ORVA_GAME_DIR;
  int seconds = 60;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--game" && i + 1 < argc) {
      game = argv[++i];
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: board_bench [--game DIR] [--seconds N]\n");
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::current_path(game, ec);
  if (ec) {
    std::fprintf(stderr, "board_bench: cannot enter the game folder %s\n", game.c_str());
    return 1;
  }

  std::srand(1);
  ParticleSystem::SeedRandom(1);
  BoardArt art;
  std::string error;
  if (!art.Load(error)) {
    std::fprintf(stderr, "board_bench: the game's art did not load: %s\n", error.c_str());
    return 1;
  }
  HeadlessBoardHost host;
  host.LoadStrings();
  host.EnablePictures(true);
  Board board(&host);
  board.SetParticles(art.Particles());
  board.Resize(0, 0, 640, 480);
  if (!board.LoadStageFromText(kStage, 1, 1)) return 1;
  // Rows never come and tokens never leave: slower than any stage of the level file may be.
  board.mBaseSpeed = board.mSpeed = 100000;
  board.mRowsLeft = 10000;
  board.bonusLifetime = 100000;
  board.ResetBoard();
  board.LoadStagePictures(4);
  board.SetActive(true);
  board.SkipInitialFill();

  MemoryImage screen;
  screen.Create(640, 480);
  screen.ForceAlphaFlags(false, false);
  Graphics g(&screen);

  BusyStage busy(board);
  // One simulated second to fill the air before measuring.
  for (int tick = 0; tick < kUpdatesPerSecond; ++tick) {
    busy.BeforeUpdate(tick);
    board.Update();
    board.UpdateSmooth(1.0f);
    busy.AfterUpdate();
    board.Draw(&g);
  }

  Totals totals;
  double updateSeconds = 0, drawSeconds = 0, setupSeconds = 0;
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const int ticks = seconds * kUpdatesPerSecond;
  for (int tick = kUpdatesPerSecond; tick < kUpdatesPerSecond + ticks; ++tick) {
    const double t0 = ThreadCpuSeconds();
    busy.BeforeUpdate(tick);
    const double t1 = ThreadCpuSeconds();
    board.Update();
    board.UpdateSmooth(1.0f);
    const double t2 = ThreadCpuSeconds();
    busy.AfterUpdate();
    const double t3 = ThreadCpuSeconds();
    board.Draw(&g);
    const double t4 = ThreadCpuSeconds();
    setupSeconds += (t1 - t0) + (t3 - t2);
    updateSeconds += t2 - t1;
    drawSeconds += t4 - t3;

    totals.particleSystems += board.CountParticleSystems();
    totals.inFlight += board.CountRunesInFlight();
    totals.texts += long(board.FloatingTexts().size());
    totals.explosions += long(board.Explosions().size());
    totals.tokens += long(board.Tokens().size());
    totals.minParticleSystems = std::min(totals.minParticleSystems, board.CountParticleSystems());
    totals.minInFlight = std::min(totals.minInFlight, board.CountRunesInFlight());
    totals.minTexts = std::min(totals.minTexts, int(board.FloatingTexts().size()));
  }
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const auto cpu = [](const rusage& u) {
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  const double total = cpu(after) - cpu(before);

  const double n = ticks;
  std::printf("board_bench: %d simulated seconds, %d updates, one 640 x 480 draw after each\n", seconds, ticks);
  std::printf(
      "  on average %.1f particle systems (least %d), %.1f runes in flight (least %d), %.1f floating texts "
      "(least %d), %.1f explosion sprites, %.1f bonus tokens\n",
      double(totals.particleSystems) / n, totals.minParticleSystems, double(totals.inFlight) / n, totals.minInFlight,
      double(totals.texts) / n, totals.minTexts, double(totals.explosions) / n, double(totals.tokens) / n);
  std::printf("\n| part | CPU ms per simulated second | share of one core |\n|---|---:|---:|\n");
  const auto row = [&](const char* name, double cpuSeconds) {
    std::printf("| %s | %.2f | %.2f%% |\n", name, cpuSeconds * 1000 / seconds, cpuSeconds / seconds * 100);
  };
  row("update (Update + UpdateSmooth)", updateSeconds);
  row("draw", drawSeconds);
  row("benchmark's own feeding", setupSeconds);
  row("whole process", total);
  std::printf("\ngoal: the board below 10%% of one core: %s\n",
              (updateSeconds + drawSeconds) / seconds < 0.10 ? "met" : "NOT met");
  return 0;
}
