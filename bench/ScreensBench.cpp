// The campaign's screens at rest and sliding, as the game runs them: the real game, headless, with
// its art, 100 updates per simulated second, each followed by the draw of what changed (a plain
// program, not Google Benchmark: it reports CPU time against simulated time, the share of one core
// the screens would take).
//
//   screens_bench [--game DIR] [--seconds N]
//
// First the game's loading: its pictures and sounds loaded by the loading thread while the loop
// runs (headless, the loop waits for it), next to the same work done on the main thread by a
// second game; the file cache is warm for both.
// The main menu at rest (the mouse over no button), the travel map at rest (its marker glowing),
// the slides between them (menu to map and back, again and again), then the custom game, endless
// and help screens and the settings, profiles and credits dialogs at rest. For each it also reports
// the dearest single update with its draw: a slide drops no update while that stays well under the
// 10 ms an update may take.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/platform/HeadlessWindowSystem.h"
#include "game/app/GameApp.h"
#include "game/screens/CustomGWidget.h"
#include "game/screens/EndlessScreen.h"
#include "game/screens/HelpWidget.h"
#include "game/screens/MainMenu.h"
#include "game/screens/StoryWidget.h"

namespace {

using namespace Orva;
namespace fs = std::filesystem;

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

class BenchGame : public GameApp {
 public:
  BenchGame(const std::string& game, const std::string& data) {
    startLoaderOnRun = false;
    const std::string dataSwitch = "-datadir=" + data, gameSwitch = "-changedir=" + game;
    const char* argv[] = {"mirovale", "-headless", dataSwitch.c_str(), gameSwitch.c_str(), "-seed=1"};
    SetCommandLine(5, argv);
  }
  bool Load() {
    StartLoaderThread();
    while (!loaded && !shutdown) StepUntilUpdate();
    return loaded && !LoadingFailed();
  }
  // The loading thread's work, done on this thread instead.
  bool LoadOnThisThread() {
    LoaderThreadBody();
    return !LoadingFailed();
  }
  HeadlessWindowSystem& Input() { return *dynamic_cast<HeadlessWindowSystem*>(windowSystem.get()); }
  void Click(Widget* widget) {
    const Point at = widget->GetScreenPos();
    Input().QueueMouseMove(at.x + widget->width / 2, at.y + widget->height / 2);
    Input().QueueMouseDown(at.x + widget->width / 2, at.y + widget->height / 2);
    Input().QueueMouseUp(at.x + widget->width / 2, at.y + widget->height / 2);
    Input().QueueMouseMove(630, 10);  // off the buttons again
  }
};

struct Measure {
  double cpu = 0;
  int updates = 0;
  double dearest = 0;
};

// Runs updates (each with its draw) while the condition holds, at most limit of them.
template <typename Condition>
Measure Run(BenchGame& game, int limit, Condition keepGoing) {
  Measure m;
  for (int i = 0; i < limit && keepGoing(); ++i) {
    const double before = ThreadCpuSeconds();
    game.StepUntilUpdate();
    const double cost = ThreadCpuSeconds() - before;
    m.cpu += cost;
    m.dearest = std::max(m.dearest, cost);
    ++m.updates;
  }
  return m;
}

void Report(const char* what, const Measure& m, bool withDearest) {
  const double seconds = m.updates / 100.0;
  std::printf("| %s | %.1f | %.2f | %.2f %% |", what, seconds, m.cpu * 1000 / std::max(seconds, 0.01),
              100 * m.cpu / std::max(seconds, 0.01));
  if (withDearest) {
    std::printf(" %.2f ms |\n", m.dearest * 1000);
  } else {
    std::printf(" |\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string gameDir = ORVA_GAME_DIR;
  int seconds = 20;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--game") gameDir = argv[i + 1];
    if (arg == "--seconds") seconds = std::max(1, std::atoi(argv[i + 1]));
  }
  const fs::path data = fs::temp_directory_path() / "orva_screens_bench";
  fs::remove_all(data);
  fs::create_directories(data / "properties/users");
  // A player who has met the first guardian already: the map opens without a dialog.
  if (std::FILE* f = std::fopen((data / "properties/users/Bench").c_str(), "w")) {
    std::fputs("[DATA]\nLEVEL=20\nSTAGE=2\nFB=0\n", f);
    std::fclose(f);
  }
  const auto milliseconds = [](auto work) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = work();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return ok ? ms : -1.0;
  };
  double onMain = -1;
  for (int pass = 0; pass < 2; ++pass) {  // the first pass warms the file cache
    BenchGame other(fs::absolute(gameDir).string(), data.string());
    other.Init();
    onMain = milliseconds([&] { return other.LoadOnThisThread(); });
  }
  BenchGame game(fs::absolute(gameDir).string(), data.string());
  game.Init();
  const double onThread = milliseconds([&] { return game.Load(); });
  if (onThread < 0 || onMain < 0) {
    std::fprintf(stderr, "screens_bench: the game did not load from %s\n", gameDir.c_str());
    return 1;
  }
  std::printf("loading the game's pictures and sounds: %.0f ms on the loading thread, %.0f ms on the main thread\n",
              onThread, onMain);
  while (game.mLoadingScreen) game.StepUntilUpdate();
  game.Input().QueueMouseMove(630, 10);
  Run(game, 100, [] { return true; });

  const int updates = seconds * 100;
  std::printf("\n| screen | simulated s | CPU ms per simulated s | share of one core | dearest update |\n");
  std::printf("|---|---:|---:|---:|---:|\n");
  Report("main menu at rest", Run(game, updates, [] { return true; }), true);

  game.Click(game.mMainMenu->Button(MainMenu::STORY));
  Measure slides = Run(game, 200, [&] { return game.mSlide.active || game.mMainMenu->visible; });
  Run(game, 100, [] { return true; });
  Report("travel map at rest", Run(game, updates, [] { return true; }), true);

  // Back and forth: every update of the slides, the menu's 25-update pause included.
  for (int round = 0; round < 10; ++round) {
    game.Click(game.mStoryWidget->Button(StoryWidget::BACK));
    Measure back = Run(game, 200, [&] { return game.mSlide.active || game.mStoryWidget->visible; });
    game.Click(game.mMainMenu->Button(MainMenu::STORY));
    Measure there = Run(game, 200, [&] { return game.mSlide.active || game.mMainMenu->visible; });
    for (const Measure& m : {back, there}) {
      slides.cpu += m.cpu;
      slides.updates += m.updates;
      slides.dearest = std::max(slides.dearest, m.dearest);
    }
  }
  Report("slides, menu and map", slides, true);

  game.Click(game.mStoryWidget->Button(StoryWidget::BACK));
  Run(game, 200, [&] { return game.mSlide.active || game.mStoryWidget->visible; });

  // The other screens at rest, each reached from the main menu and left again.
  auto backButton = [&]() -> Widget* {
    Widget* screen = game.mScreens.front().get();
    if (auto* custom = dynamic_cast<CustomGWidget*>(screen)) return custom->Button(CustomGWidget::BACK);
    if (auto* endless = dynamic_cast<EndlessScreen*>(screen)) return endless->Button(EndlessScreen::BACK);
    return dynamic_cast<HelpWidget*>(screen)->Button();
  };
  const struct {
    const char* name;
    int button;
  } screens[] = {{"custom game at rest", MainMenu::CUSTOM},
                 {"endless screen at rest", MainMenu::ENDLESS},
                 {"help at rest", MainMenu::HELP}};
  for (const auto& screen : screens) {
    game.Click(game.mMainMenu->Button(screen.button));
    Run(game, 300, [&] { return game.mSlide.active || game.mMainMenu->visible; });
    Run(game, 100, [] { return true; });
    if (game.mScreens.empty()) {
      std::fprintf(stderr, "screens_bench: %s did not open\n", screen.name);
      return 1;
    }
    Report(screen.name, Run(game, updates, [] { return true; }), true);
    game.Click(backButton());
    Run(game, 300, [&] { return game.mSlide.active || !game.mMainMenu->visible; });
  }
  const struct {
    const char* name;
    int button;
  } dialogs[] = {{"settings at rest", MainMenu::SETTINGS},
                 {"profiles at rest", MainMenu::PROFILES},
                 {"credits at rest", MainMenu::CREDITS}};
  for (const auto& dialog : dialogs) {
    game.Click(game.mMainMenu->Button(dialog.button));
    Run(game, 100, [] { return true; });
    Report(dialog.name, Run(game, updates, [] { return true; }), true);
    while (!game.dialogOrder.empty()) game.CloseDialog(game.dialogOrder.back());
    Run(game, 10, [] { return true; });
  }
  fs::remove_all(data);
  return 0;
}
