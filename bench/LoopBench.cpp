// Measures the application loop (not a Google Benchmark program: it runs in real time).
//
//   loopbench idle [SECONDS]   a window-less run with nothing to draw: CPU time used and updates
//                              made per second (the loop must sleep between updates)
//   loopbench redraw [FRAMES]  one small widget changes every update over a full-screen one that
//                              does not: pixels drawn and presented per frame, next to a run that
//                              redraws the full screen every frame
//   loopbench present [FRAMES] frames sent to a real window (needs a display; scripts/bench.sh
//                              gives it a virtual one): CPU time per frame of each present path
//                              at one and two times the frame's size, for a frame that changes
//                              whole, one that changes in two small places far apart within a
//                              whole-frame changed rectangle (a busy stage), and a small change.
//                              The display server's own work is not counted.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/SdlWindowSystem.h"
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

// Process CPU time per presented frame, in microseconds; negative when no window could be made.
// The changes themselves are made in a first pass without presenting, whose time is taken off.
double PresentCost(SdlWindowSystem& system, PresentPath path, int scale, int pattern, int frames,
                   std::string& renderer) {
  constexpr int kW = 640, kH = 480;
  WindowOptions request;
  request.title = "present bench";
  request.presentPath = path;
  request.scale = scale;
  const WindowHandle window = system.CreateMainWindow(request);
  if (!window) return -1;
  system.ShowWindow(window, true);
  WindowMessage drained;
  while (system.PollMessage(drained)) {
  }
  std::vector<uint32_t> frame(size_t(kW) * kH);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
  system.Present(window, frame.data(), kW, kH, 0, 0, kW, kH);
  renderer = system.RendererName();
  double changing = 0;
  for (const bool present : {false, true}) {
    const double before = CpuSeconds();
    for (int n = 0; n < frames; ++n) {
      const uint32_t shade = 0xFF000000u | uint32_t(n * 0x010203);
      if (pattern == 0) {  // everything changes
        for (uint32_t& p : frame) p ^= 0x00FFFFFFu;
        if (present) system.Present(window, frame.data(), kW, kH, 0, 0, kW, kH);
      } else if (pattern == 1) {  // two 30 x 30 spots in opposite corners, the whole frame named
        for (int y = 0; y < 30; ++y)
          for (int x = 0; x < 30; ++x) {
            frame[size_t(20 + y) * kW + 20 + x] = shade;
            frame[size_t(400 + y) * kW + 560 + x] = shade;
          }
        if (present) system.Present(window, frame.data(), kW, kH, 0, 0, kW, kH);
      } else {  // a 40 x 20 widget, named as it is
        for (int y = 0; y < 20; ++y)
          for (int x = 0; x < 40; ++x) frame[size_t(200 + y) * kW + 300 + x] = shade;
        if (present) system.Present(window, frame.data(), kW, kH, 300, 200, 40, 20);
      }
    }
    const double seconds = CpuSeconds() - before;
    if (!present)
      changing = seconds;
    else
      changing = seconds - changing;
  }
  system.DestroyWindow(window);
  return changing * 1e6 / frames;
}

int Present(int frames) {
  std::unique_ptr<SdlWindowSystem> system = SdlWindowSystem::Create();
  if (!system) {
    std::printf("present: no display; run under xvfb-run\n");
    return 0;
  }
  std::printf("| path | window | whole frame changes | two small spots in a whole-frame rectangle | 40x20 changes |\n");
  std::printf("|---|---|---:|---:|---:|\n");
  for (const PresentPath path : {PresentPath::SOFTWARE, PresentPath::HARDWARE}) {
    for (const int scale : {1, 2}) {
      double cost[3];
      std::string renderer;
      for (int pattern = 0; pattern < 3; ++pattern)
        cost[pattern] = PresentCost(*system, path, scale, pattern, frames, renderer);
      std::printf("| %s (%s) | %dx | %.0f us | %.0f us | %.0f us |\n", PresentPathName(path), renderer.c_str(), scale,
                  cost[0], cost[1], cost[2]);
    }
  }
  std::printf("CPU time of this process per presented frame (at 100 frames a second, 100 us is 1%% of a core)\n");
  return 0;
}

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
  if (mode == "present") return Present(argc > 2 ? std::atoi(argv[2]) : 300);
  std::fprintf(stderr, "usage: loopbench idle [SECONDS] | redraw [FRAMES] | present [FRAMES]\n");
  return 2;
}
