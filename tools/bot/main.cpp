// stagebot: plays the story's stages by itself and prints what became of each.
//
//   stagebot --game DIR [--levels A-B] [--seed N] [--runs K] [--pace TICKS] [--limit TICKS]
//   stagebot --game DIR --shots OUTDIR [--levels A-B] [--seed N]
//
// Every stage of the levels (default 1-30) is played from its start by the bot through the
// board's input, at the game's 100 updates a second but as fast as it can be computed. One table
// per seed: level, stage, won or lost, score, the board's clock (m:ss.cc) and shots. --runs plays
// the seeds N to N+K-1. --pace is the bot's least number of ticks between two actions (15).
//
// --shots draws the board with the game's art into OUTDIR: a stage at its start (after the fill),
// during play with bonus tokens, particles and floating texts about, and during the sweep of a
// won stage. The stages of --levels are played until each picture has been taken.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"
#include "game/particles/ParticleSystem.h"
#include "tools/bot/StageBot.h"

namespace {

using namespace Orva;
namespace fs = std::filesystem;

constexpr int kLevelsPerArea = 5;

struct Options {
  std::string game;
  int firstLevel = 1, lastLevel = 30;
  unsigned seed = 1;
  int runs = 1;
  int pace = 15;
  int limit = 100 * 60 * 30;  // 30 minutes of the board's clock
  std::string shots;
};

bool ParseRange(const char* text, int& first, int& last) {
  char* end = nullptr;
  const long a = std::strtol(text, &end, 10);
  long b = a;
  if (*end == '-') b = std::strtol(end + 1, &end, 10);
  if (*end != '\0' || a < 1 || b < a || b > 1000) return false;
  first = int(a);
  last = int(b);
  return true;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto number = [&](int& out, int low) {
      if (!value) return false;
      char* end = nullptr;
      const long n = std::strtol(value, &end, 10);
      if (*end != '\0' || n < low || n > 100000000) return false;
      out = int(n);
      ++i;
      return true;
    };
    int seed = 0;
    if (arg == "--game" && value) {
      options.game = value;
      ++i;
    } else if (arg == "--shots" && value) {
      options.shots = value;
      ++i;
    } else if (arg == "--levels" && value) {
      if (!ParseRange(value, options.firstLevel, options.lastLevel)) return false;
      ++i;
    } else if (arg == "--seed") {
      if (!number(seed, 0)) return false;
      options.seed = unsigned(seed);
    } else if (arg == "--runs") {
      if (!number(options.runs, 1)) return false;
    } else if (arg == "--pace") {
      if (!number(options.pace, 1)) return false;
    } else if (arg == "--limit") {
      if (!number(options.limit, 1)) return false;
    } else {
      return false;
    }
  }
  return !options.game.empty();
}

// Starts the stage: for pictures as the game does when it is chosen on the level map (music, the
// area's pictures), otherwise just loaded and reset.
bool StartStage(Board& board, HeadlessBoardHost& host, int level, int stage, bool withPictures) {
  host.mapLevel = level;
  host.mapStage = stage;
  if (!board.LoadStage(level, stage)) return false;
  if (withPictures) {
    board.StartStoryStage((level - 1) / kLevelsPerArea + 1);
  } else {
    board.ResetBoard();
  }
  board.SetActive(true);
  return true;
}

int StageCount(Board& board, HeadlessBoardHost& host, int level) {
  host.mapLevel = level;
  return board.LoadStageCount() ? board.stageCount : 0;
}

void Seed(unsigned seed) {
  std::srand(seed);
  ParticleSystem::SeedRandom(seed);
}

int PlayTables(const Options& options) {
  int failures = 0;
  for (int run = 0; run < options.runs; ++run) {
    const unsigned seed = options.seed + unsigned(run);
    Seed(seed);
    std::printf("\nSeed %u, the bot acting at most every %d ticks\n\n", seed, options.pace);
    std::printf("| level | stage | result | score | time | shots |\n|---:|---:|---|---:|---:|---:|\n");
    int won = 0, played = 0;
    for (int level = options.firstLevel; level <= options.lastLevel; ++level) {
      HeadlessBoardHost counter;
      Board probe(&counter);
      const int stages = StageCount(probe, counter, level);
      if (stages == 0) {
        std::fprintf(stderr, "stagebot: level %d has no stages in properties/levels.xml\n", level);
        ++failures;
        continue;
      }
      for (int stage = 1; stage <= stages; ++stage) {
        HeadlessBoardHost host;
        Board board(&host);
        if (!StartStage(board, host, level, stage, false)) {
          ++failures;
          continue;
        }
        StageBot bot(board, {options.pace, 10, seed * 7919u + unsigned(level * 31 + stage)});
        const StageRun result = PlayLoadedStage(board, host, bot, options.limit);
        std::printf("| %d | %d | %s | %d | %s | %d |\n", level, stage, ResultName(result.result), result.score,
                    ClockText(result).c_str(), result.shots);
        std::fflush(stdout);
        ++played;
        won += result.result == Board::END_WON;
        failures += result.result != Board::END_WON && result.result != Board::END_LOST;
      }
    }
    std::printf("\nWon %d of %d stages.\n", won, played);
  }
  return failures == 0 ? 0 : 1;
}

bool WriteShot(Board& board, const fs::path& file) {
  MemoryImage screen;
  screen.Create(640, 480);
  screen.ForceAlphaFlags(false, false);
  Graphics g(&screen);
  g.SetColor(Color(0, 0, 0));
  g.FillRect(0, 0, 640, 480);
  board.Draw(&g);
  if (!WriteImagePNG(&screen, file.string())) {
    std::fprintf(stderr, "stagebot: could not write %s\n", file.string().c_str());
    return false;
  }
  std::printf("stagebot: wrote %s\n", file.string().c_str());
  return true;
}

int TakeShots(const Options& options, const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  BoardArt art;
  std::string error;
  if (!art.Load(error)) {
    std::fprintf(stderr, "stagebot: the game's art did not load: %s\n", error.c_str());
    return 1;
  }
  bool start = false, busy = false, sweep = false;
  for (int level = options.firstLevel; level <= options.lastLevel && !(start && busy && sweep); ++level) {
    HeadlessBoardHost counter;
    Board probe(&counter);
    const int stages = StageCount(probe, counter, level);
    for (int stage = 1; stage <= stages && !(start && busy && sweep); ++stage) {
      Seed(options.seed);
      HeadlessBoardHost host;
      host.LoadStrings();
      host.EnablePictures(true);
      Board board(&host);
      board.SetParticles(art.Particles());
      board.Resize(0, 0, 640, 480);
      if (!StartStage(board, host, level, stage, true)) continue;
      StageBot bot(board, {options.pace, 10, options.seed});
      const std::string name = "level" + std::to_string(level) + "_stage" + std::to_string(stage);
      int sweepTicks = 0, filledTicks = 0;
      PlayLoadedStage(board, host, bot, options.limit, [&](int) {
        // Once the carriage's first rune has risen into place.
        if (!start && !board.IsFilling() && ++filledTicks == 10)
          start = WriteShot(board, folder / (name + "_start.png"));
        bool stableToken = false;
        for (const BonusToken* token : board.Tokens()) stableToken = stableToken || token->phase == BonusToken::kStable;
        if (!busy && stableToken && !board.FloatingTexts().empty() && !board.Explosions().empty() &&
            board.CountParticleSystems() >= 3 && board.CountRunesInFlight() > 0)
          busy = WriteShot(board, folder / (name + "_play.png"));
        // Some rows into the sweep, with cells lit, texts rising and sparks about.
        if (board.IsSweepRunning() && ++sweepTicks == 11 * 12 && !sweep)
          sweep = WriteShot(board, folder / (name + "_sweep.png"));
      });
    }
  }
  if (!(start && busy && sweep)) {
    std::fprintf(stderr, "stagebot: not every picture was taken (start %d, play %d, sweep %d)\n", start, busy, sweep);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: stagebot --game DIR [--levels A-B] [--seed N] [--runs K] [--pace TICKS] [--limit TICKS]\n"
                 "       stagebot --game DIR --shots OUTDIR [--levels A-B] [--seed N]\n");
    return 2;
  }
  fs::path shots;
  if (!options.shots.empty()) shots = fs::absolute(options.shots);
  std::error_code ec;
  // The board reads its stages, and the art its files, relative to the game folder.
  fs::current_path(options.game, ec);
  if (ec) {
    std::fprintf(stderr, "stagebot: cannot enter the game folder %s: %s\n", options.game.c_str(), ec.message().c_str());
    return 1;
  }
  return shots.empty() ? PlayTables(options) : TakeShots(options, shots);
}
