// The application base in a real window (on a virtual display): it starts, runs its loop at the
// real pace, draws and presents, switches the screen mode and shuts down cleanly.
#include <SDL_video.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/SdlWindowSystem.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {
namespace {

class Blinker : public Widget {
 public:
  void Update() override {
    Widget::Update();
    ++updates;
    MarkDirty();
  }
  void Draw(Graphics* g) override {
    g->SetColor(Color((updates * 5) & 255, 80, 160));
    g->FillRect(0, 0, width, height);
    ++draws;
  }
  int updates = 0;
  int draws = 0;
};

class WindowApp : public OrvaAppBase {
 public:
  explicit WindowApp(bool keepSettings = false) : keepSettings_(keepSettings) {
    productName = "OrvaWindowSmoke";
    registryKey = "OrvaTest\\WindowSmoke";
    dataDirectory = (std::filesystem::temp_directory_path() / ("orva_window_" + std::to_string(getpid()))).string();
    singleInstance = false;
    startLoaderOnRun = false;
    commandLineParsed = true;
  }
  ~WindowApp() override {
    if (!keepSettings_) std::filesystem::remove_all(dataDirectory);
  }
  bool WorkingDirHook(const std::string&) override { return true; }

 private:
  bool keepSettings_;
};

TEST(AppWindow, RunsDrawsSwitchesModeAndShutsDown) {
  // SDL's software renderer, as in the platform's window tests: the OpenGL driver of a bare virtual
  // display keeps allocations past its unloading, which the leak checker cannot trace.
  setenv("ORVA_RENDER_DRIVER", "software", 1);
  WindowApp app;
  app.Init();
  ASSERT_TRUE(app.initialized);
  ASSERT_FALSE(app.headless);
  Blinker blinker;
  blinker.Resize(100, 100, 200, 100);
  app.widgetManager->AddWidget(&blinker);

  app.running = true;
  for (int i = 0; i < 30; ++i) app.StepUntilUpdate();
  EXPECT_GE(blinker.updates, 30);
  EXPECT_GE(app.drawCount, 1);

  app.ChangeScreenMode(false);
  EXPECT_FALSE(app.windowIsWindowed);
  for (int i = 0; i < 10; ++i) app.StepUntilUpdate();
  app.ChangeScreenMode(true);
  EXPECT_TRUE(app.windowIsWindowed);
  for (int i = 0; i < 10; ++i) app.StepUntilUpdate();
  EXPECT_GT(blinker.draws, 2);

  app.Shutdown();
  EXPECT_TRUE(app.shutdown);
  app.widgetManager->RemoveWidget(&blinker);
}

// The size a player gives the window is the size it opens at next time.
TEST(AppWindow, AResizedWindowOpensAtThatSizeNextTime) {
  setenv("ORVA_RENDER_DRIVER", "software", 1);
  {
    WindowApp first(true);
    first.Init();
    ASSERT_TRUE(first.initialized);
    auto* sdl = dynamic_cast<SdlWindowSystem*>(first.windowSystem.get());
    ASSERT_NE(sdl, nullptr);
    SDL_SetWindowSize(sdl->NativeWindow(), 900, 700);
    first.running = true;
    for (int i = 0; i < 20; ++i) first.StepUntilUpdate();
    const ScreenArea resized = first.windowSystem->GetWindowArea(first.mainWindow);
    EXPECT_EQ(resized.width, 900) << "the window took the new size";
    EXPECT_EQ(first.preferredWidth, 900);
    first.Shutdown();
  }
  WindowApp second;
  second.Init();
  ASSERT_TRUE(second.initialized);
  const ScreenArea area = second.windowSystem->GetWindowArea(second.mainWindow);
  EXPECT_EQ(area.width, 900);
  EXPECT_EQ(area.height, 700);
  second.Shutdown();
}

}  // namespace
}  // namespace Orva
