// campaignbot: plays the whole campaign through the game's screens, from a new profile to the
// winner screen, and prints a table of every stage it played.
//
//   campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS]
//
// The game runs headless in DIR with a fresh data folder for each run: the bot types a name at the
// first start, presses the story button, the guardians' OK and the map's Play, plays each stage
// through the board's input, and presses OK on every result. A lost campaign starts again from
// level 1, as it does for a player. Each run ends at the winner screen, or after 20 hours of the
// game's clock.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/platform/HeadlessWindowSystem.h"
#include "game/app/GameApp.h"
#include "game/core/IniFile.h"
#include "tools/bot/CampaignDriver.h"

namespace {

using namespace Orva;
namespace fs = std::filesystem;

// The game, loaded by hand so the bot can step its loop.
class CampaignApp : public GameApp {
 public:
  CampaignApp(const std::string& game, const std::string& data, unsigned seed) {
    startLoaderOnRun = false;
    const std::string dataSwitch = "-datadir=" + data, gameSwitch = "-changedir=" + game,
                      seedSwitch = "-seed=" + std::to_string(seed);
    const char* argv[] = {"mirovale", "-headless", dataSwitch.c_str(), gameSwitch.c_str(), seedSwitch.c_str()};
    SetCommandLine(5, argv);
  }
  bool Load() {
    StartLoaderThread();
    while (!loaded && !shutdown) StepUntilUpdate();
    return loaded && !LoadingFailed();
  }
};

int Run(const std::string& game, unsigned seed, int pace) {
  const fs::path data = fs::temp_directory_path() / ("campaignbot_" + std::to_string(seed));
  fs::remove_all(data);
  CampaignApp app(fs::absolute(game).string(), data.string(), seed);
  app.Init();
  if (!app.Load()) {
    std::fprintf(stderr, "campaignbot: the game did not load\n");
    return 1;
  }
  auto* input = dynamic_cast<HeadlessWindowSystem*>(app.windowSystem.get());
  CampaignDriver driver(app, *input, {"Bot", seed, pace});
  std::printf(
      "\nSeed %u\n\n| # | level | stage | result | score | time | shots |\n|---:|---:|---:|---|---:|---:|---:|\n",
      seed);
  int count = 0;
  driver.onStageResult = [&](const CampaignDriver::StageResult& r) {
    std::printf("| %d | %d | %d | %s | %d | %d:%02d | %d |\n", ++count, r.level, r.stage,
                r.result == 1 ? "won" : "lost", r.score, r.minutes, r.seconds, r.shots);
    std::fflush(stdout);
  };
  const long long limit = 100LL * 3600 * 20;
  const bool won = driver.PlayToWinnerScreen(limit);
  int wins = 0, losses = 0;
  long long seconds = 0;
  for (const auto& r : driver.Results()) {
    (r.result == 1 ? wins : losses) += 1;
    seconds += r.minutes * 60 + r.seconds;
  }
  const std::string passed = IniFile::Read((data / "properties/users/Bot").string(), "DATA", "GAMEPASSED", "missing");
  std::printf(
      "\n%s after %lld updates (%lld:%02lld:%02lld of the game's clock): %d stages won, %d lost; "
      "GAMEPASSED=%s\n",
      won ? "Winner screen" : "No winner screen", driver.Updates(), driver.Updates() / 360000,
      driver.Updates() / 6000 % 60, driver.Updates() / 100 % 60, wins, losses, passed.c_str());
  std::printf("Stage clocks add up to %lld:%02lld:%02lld.\n", seconds / 3600, seconds / 60 % 60, seconds % 60);
  fs::remove_all(data);
  return won && passed == "1" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string game;
  unsigned seed = 1;
  int runs = 1, pace = 15;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--game") {
      game = argv[i + 1];
    } else if (arg == "--seed") {
      seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (arg == "--runs") {
      runs = std::atoi(argv[i + 1]);
    } else if (arg == "--pace") {
      pace = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS]\n");
      return 2;
    }
  }
  if (game.empty() || runs < 1 || pace < 1) {
    std::fprintf(stderr, "usage: campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS]\n");
    return 2;
  }
  int failures = 0;
  for (int run = 0; run < runs; ++run) failures += Run(game, seed + unsigned(run), pace);
  return failures == 0 ? 0 : 1;
}
