// The game in a real window (on a virtual display): it loads its data on the loading thread while
// the window stays alive, starts a stage, takes mouse-free play at the real pace, draws and shuts
// down cleanly.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

class WindowGame : public GameApp {
 public:
  explicit WindowGame(const std::string& dataFolder) {
    dataDirectory = dataFolder;
    startLoaderOnRun = false;
    const std::vector<const char*> argv = {"mirovale", "-play=story:1:1", "-seed=3"};
    SetCommandLine(int(argv.size()), argv.data());
  }
  // The fixture has made the game folder the working folder.
  bool WorkingDirHook(const std::string&) override { return true; }
  void StartLoading() { StartLoaderThread(); }
};

TEST(GameWindow, LoadsStartsAStagePlaysAndShutsDown) {
  // SDL's software renderer and its silent audio driver: a bare virtual display has neither a
  // dependable OpenGL driver nor a sound card.
  setenv("ORVA_RENDER_DRIVER", "software", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  Testing::TempFolder data{"gamewindow"};
  Testing::WorkingFolder working{fs::path(ORVA_GAME_DIR)};
  WindowGame game(data.Path().string());
  game.Init();
  ASSERT_TRUE(game.initialized);
  ASSERT_FALSE(game.headless);
  ASSERT_FALSE(game.LoadingFailed());

  game.running = true;
  game.StartLoading();
  // Real time: loading takes well under a second here; the bound only stops a hang.
  for (int i = 0; i < 6000 && !game.loaded; ++i) game.StepUntilUpdate();
  ASSERT_TRUE(game.loaded);
  ASSERT_FALSE(game.LoadingFailed());
  Board* board = game.mBoard.get();
  ASSERT_TRUE(board->IsActive());

  // A virtual display without a window manager may never give the window the focus: the stage
  // then waits under the pause overlay, as it should. Play on regardless.
  if (board->IsPaused()) {
    EXPECT_TRUE(game.widgetManager->HasWidget(&game.mPauseWidget));
    game.HidePauseOverlay();
    board->SetPaused(false);
  }
  const int drawsBefore = game.drawCount;
  for (int i = 0; i < 150; ++i) game.StepUntilUpdate();
  EXPECT_GT(board->GetSeconds() * 100 + board->GetTicks(), 100);
  EXPECT_GT(game.drawCount, drawsBefore);

  game.Shutdown();
  EXPECT_TRUE(game.shutdown);
}

}  // namespace
}  // namespace Orva
