// Measures the application loop (not a Google Benchmark program: it runs in real time).
//
//   loopbench idle [SECONDS]   a window-less run with nothing to draw: CPU time used and updates
//                              made per second (the loop must sleep between updates)
//   loopbench redraw [FRAMES]  one small widget changes every update over a full-screen one that
//                              does not: pixels drawn and presented per frame, next to a run that
//                              redraws the full screen every frame
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace {

using namespace Orva;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class BenchApp : public OrvaAppBase {
 public:
  explicit BenchApp(bool realClock) {
    productName = "OrvaLoopBench";
    registryKey = "OrvaBench\\Loop";
    dataDirectory = (std::filesystem::temp_directory_path() / "orva_loopbench").string();
    singleInstance = false;
    startLoaderOnRun = false;
    commandLineParsed = true;
    SetWindowSystem(std::make_unique<HeadlessWindowSystem>(realClock));
  }
  bool WorkingDirHook(const std::string&) override { return true; }
};

// Fills itself with one colour; changes colour (and so must be redrawn) every update when asked.
class Panel : public Widget {
 public:
  Panel(Color color, bool changes) : color_(color), changes_(changes) {}
  void Update() override {
    Widget::Update();
    if (changes_) {
      color_ = Color((color_.red + 7) & 255, color_.green, color_.blue);
      MarkDirty();
    }
  }
  void Draw(Graphics* g) override {
    g->SetColor(color_);
    g->FillRect(0, 0, width, height);
  }

 private:
  Color color_;
  bool changes_;
};

// Ends the run after a given number of milliseconds of the application's clock.
class Timer : public Widget {
 public:
  Timer(BenchApp* app, uint32_t milliseconds) : app_(app), end_(app->Now() + milliseconds) {}
  void Update() override {
    Widget::Update();
    if (int32_t(app_->Now() - end_) >= 0) app_->Shutdown();
  }

 private:
  BenchApp* app_;
  uint32_t end_;
};

int Idle(double seconds) {
  BenchApp app(true);
  app.Init();
  Panel background(Color(20, 30, 50), false);
  background.Resize(0, 0, 640, 480);
  app.widgetManager->AddWidget(&background);
  Timer timer(&app, uint32_t(seconds * 1000));
  app.widgetManager->AddWidget(&timer);

  const double cpuBefore = CpuSeconds();
  const uint32_t start = app.Now();
  const int updatesBefore = app.updateCount;
  app.running = true;
  app.RunLoop();
  const double elapsed = (app.Now() - start) / 1000.0;
  const double cpu = CpuSeconds() - cpuBefore;
  const double rate = (app.updateCount - updatesBefore) / elapsed;
  std::printf("idle loop: %.2f s real, %.3f s CPU = %.2f%% of one core (goal < 2%%)\n", elapsed, cpu,
              100.0 * cpu / elapsed);
  std::printf("updates: %d in %.2f s = %.2f per second (goal 100 +- 1%%); draws %d, sleeps %d\n",
              app.updateCount - updatesBefore, elapsed, rate, app.drawCount, app.sleepCount);
  app.widgetManager->RemoveWidget(&background);
  app.widgetManager->RemoveWidget(&timer);
  return 0;
}

struct RedrawResult {
  double drawnPerFrame = 0;
  double presentedPerFrame = 0;
  double microsecondsPerFrame = 0;
};

RedrawResult Redraw(int frames, bool fullScreenChanges) {
  BenchApp app(false);
  app.Init();
  Panel background(Color(20, 30, 50), fullScreenChanges);
  background.Resize(0, 0, 640, 480);
  Panel blinker(Color(200, 80, 40), true);
  blinker.Resize(300, 220, 40, 20);
  app.widgetManager->AddWidget(&background);
  app.widgetManager->AddWidget(&blinker);
  for (int i = 0; i < 10; ++i) app.StepUntilUpdate();  // the first frame draws everything

  RedrawResult result;
  int counted = 0;
  int64_t drawn = 0, presented = 0;
  const int drawsBefore = app.drawCount;
  const double cpuBefore = CpuSeconds();
  while (counted < frames) {
    const int before = app.drawCount;
    bool updated = false;
    app.StepLoop(&updated);
    if (app.drawCount != before) {
      drawn += app.widgetManager->lastDrawnPixels;
      presented += app.lastPresentedPixels;
      ++counted;
    }
  }
  const double cpu = CpuSeconds() - cpuBefore;
  const int draws = app.drawCount - drawsBefore;
  result.drawnPerFrame = double(drawn) / counted;
  result.presentedPerFrame = double(presented) / counted;
  result.microsecondsPerFrame = cpu * 1e6 / draws;
  app.widgetManager->RemoveWidget(&background);
  app.widgetManager->RemoveWidget(&blinker);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "idle";
  if (mode == "idle") return Idle(argc > 2 ? std::atof(argv[2]) : 10.0);
  if (mode == "redraw") {
    const int frames = argc > 2 ? std::atoi(argv[2]) : 500;
    const RedrawResult small = Redraw(frames, false);
    const RedrawResult full = Redraw(frames, true);
    std::printf("one 40x20 widget changes: %8.0f pixels drawn, %8.0f presented per frame, %7.1f us per frame\n",
                small.drawnPerFrame, small.presentedPerFrame, small.microsecondsPerFrame);
    std::printf("full-screen redraw:       %8.0f pixels drawn, %8.0f presented per frame, %7.1f us per frame\n",
                full.drawnPerFrame, full.presentedPerFrame, full.microsecondsPerFrame);
    return 0;
  }
  std::fprintf(stderr, "usage: loopbench idle [SECONDS] | redraw [FRAMES]\n");
  return 2;
}
