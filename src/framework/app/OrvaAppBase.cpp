#include "framework/app/OrvaAppBase.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/platform/FrameClock.h"
#include "framework/resources/ImageLib.h"
#include "framework/resources/PakInterface.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

// Taken while the program's statics are made, before main: "launch" in the start-up figures.
const std::chrono::steady_clock::time_point kLaunched = std::chrono::steady_clock::now();

double MillisecondsSinceLaunch() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - kLaunched).count();
}

// The farthest a stored window position may lie from the desktop's origin.
constexpr int kMaxWindowPosition = 32768;
}  // namespace

OrvaAppBase* gOrvaApp = nullptr;

namespace {

// The framework's own random generator (seeded once at start-up, like rand()).
unsigned int gFrameworkRandomSeed = 0;

}  // namespace

OrvaAppBase::OrvaAppBase()
    : sharedImages(
          displayLock, [this](const std::string& path) { return CreateImageFromFile(path, true); },
          [this](const std::string&) { return std::make_unique<DDImage>(display.get(), &images); }) {
  gOrvaApp = this;
  gWidgetHost = this;
  appDirectory = ExecutableFolder();
  productVersion = ORVA_PROJECT_VERSION;
  static_assert(kFrameTimeMs == 10, "frameTime starts at the framework's update period");
  frameTime = int(kFrameTimeMs);
  strings["DIALOG_BUTTON_OK"] = "OK";
  strings["DIALOG_BUTTON_CANCEL"] = "CANCEL";
  strings["UPDATE_CHECK_TITLE"] = "Update Check";
  strings["UPDATE_CHECK_BODY"] = "Checking if there are any updates available for this product ...";
  strings["UP_TO_DATE_TITLE"] = "Up to Date";
  strings["UP_TO_DATE_BODY"] = "There are no updates available for this product at this time.";
  strings["NEW_VERSION_TITLE"] = "New Version";
  strings["NEW_VERSION_BODY"] =
      "There is an update available for this product.  Would you like to visit the web site to download it?";
  resourceManager = std::make_unique<ResourceManager>(this);
  widgetManager = std::make_unique<WidgetManager>(this);
}

OrvaAppBase::~OrvaAppBase() {
  Shutdown();
  if (loaderThread_.joinable()) loaderThread_.join();
  // Dialogs first (they are widgets of the manager), then the manager, the resources and every
  // picture, then the display they were drawn into. Each dialog leaves the registry and the
  // deferred deletions before it is deleted, so none is deleted twice.
  while (!dialogOrder.empty()) {
    Dialog* dialog = dialogOrder.front();
    ForgetDialog(dialog);
    dialog->registeredWith = nullptr;
    delete dialog;
  }
  dialogs.clear();
  dialogOrder.clear();
  ProcessDeferredDeletesAll();
  widgetManager.reset();
  resourceManager.reset();
  sharedImages.PurgeUnreferenced();
  display.reset();
  musicPlayer.reset();
  soundManager.reset();
  if (windowSystem) {
    for (auto& [kind, cursor] : customCursorHandles_) windowSystem->DestroyCursor(cursor);
    if (mainWindow != 0) windowSystem->DestroyWindow(mainWindow);
  }
  mainWindow = 0;
  instanceLock_.Release();
  if (gOrvaApp == this) gOrvaApp = nullptr;
  if (gWidgetHost == this) gWidgetHost = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Start-up

void OrvaAppBase::SetWindowSystem(std::unique_ptr<WindowSystem> system) { windowSystem = std::move(system); }

void OrvaAppBase::SetCommandLine(int argc, const char* const* argv) {
  // One text as the classic command line has it: each argument quoted when it holds a blank.
  commandLine.clear();
  for (int i = 0; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (i > 0) commandLine += ' ';
    if (arg.find(' ') != std::string::npos || (i == 0 && arg.empty())) {
      commandLine += '"' + arg + '"';
    } else {
      commandLine += arg;
    }
  }
}

uint32_t OrvaAppBase::Now() { return windowSystem ? windowSystem->GetTickCount() : 0; }

void OrvaAppBase::Init() {
  mainThreadId = std::this_thread::get_id();
  if (shutdown) return;

  EarlyInitHook();
  // The switches come before the settings here: -datadir decides where the settings file is.
  if (!commandLineParsed) ReadCommandLine();
  LoadSettings();
  if (screenSaverMode) singleInstance = false;

  // The window system: the desktop one unless headless was asked for (or one was handed in).
  if (!windowSystem) {
    windowSystem = CreateWindowSystem(headless ? WindowSystemKind::Headless : WindowSystemKind::Desktop);
    if (!windowSystem) {
      std::fprintf(stderr, "%s: no display could be opened (the -headless switch runs without one)\n",
                   productName.c_str());
      FatalExit(1);
      return;
    }
  }
  headless = windowSystem->IsHeadless();

  appDataFolder = !dataDirectory.empty() ? dataDirectory : DataFolderFor(registryKey);
  if (!appDataFolder.empty() && appDataFolder.back() != '/') appDataFolder += '/';

  if (!appDirectoryGiven) appDirectory = ProgramDataFolder(appDirectory, installedDataFolder);
  if (!WorkingDirHook(appDirectory) && !appDirectory.empty()) {
    std::error_code error;
    std::filesystem::current_path(appDirectory, error);
    if (error) std::fprintf(stderr, "%s: cannot enter %s\n", productName.c_str(), appDirectory.c_str());
  }

  // A missing archive is not an error: the plain files are used. A damaged one is, since the
  // game would run on whatever stale loose files lie beside it.
  std::string archiveProblem;
  if (!GetPakInterfaceImpl()->AddPakFile("main.pak", &archiveProblem) && !archiveProblem.empty()) {
    ShowErrorBox("The game's data archive main.pak is damaged: " + archiveProblem + ".\nPlease reinstall the game.");
    FatalExit(1);
    return;
  }

  if (singleInstance) {
    switch (instanceLock_.Take(productName + "Mutex")) {
      case SingleInstanceLock::HELD_ELSEWHERE:
        // The running copy shows its window instead; this one ends without a word. Only when it
        // cannot be asked is there something to say.
        if (!instanceLock_.RequestActivation(productName + "Mutex"))
          std::fprintf(stderr, "%s is already running\n", productName.c_str());
        FatalExit(0);
        return;
      case SingleInstanceLock::UNAVAILABLE:
        // Nothing says another copy runs: play on without the guard.
        std::fprintf(stderr, "%s: the single-instance lock cannot be taken (%s); running without it\n",
                     productName.c_str(), std::strerror(errno));
        break;
      case SingleInstanceLock::TAKEN: break;
    }
  }

  startTime_ = Now();
  gFrameworkRandomSeed = randomSeedFixed ? randomSeed : startTime_;
  std::srand(randomSeedFixed ? randomSeed : unsigned(startTime_));

  BeforeWindowHook();
  widgetManager->Resize(Rect(0, 0, width, height), Rect(0, 0, width, height));

  const ScreenArea desktop = windowSystem->GetDesktopSize();
  if (windowed && !headless && (width >= desktop.width || height >= desktop.height)) {
    windowed = false;
    forcedFullScreen = true;
  }
  CreateMainWindow();
  if (shutdown) return;

  if (!soundManager) soundManager = std::make_unique<SilentSoundManager>();
  SetSfxVolume(sfxVolume);
  musicPlayer = MakeMusicPlayer();
  SetMusicVolume(musicVolume);

  AfterInitHook();
  initialized = true;
}

std::unique_ptr<MusicInterface> OrvaAppBase::MakeMusicPlayer() { return std::make_unique<MusicInterface>(); }

void OrvaAppBase::CreateMainWindow() {
  if (mainWindow != 0) {
    widgetManager->SetScreenImage(nullptr);
    windowSystem->DestroyWindow(mainWindow);
    mainWindow = 0;
  }

  WindowOptions options;
  options.title = title;
  options.width = width;
  options.height = height;
  options.windowed = windowed;
  if (windowed) {
    const ScreenArea work = windowSystem->GetDesktopWorkArea();
    // The window opens at the largest whole multiple of the client size that fits comfortably in
    // the work area: 640 x 480 is a postage stamp on a large screen.
    options.scale =
        std::max(1, std::min(work.width / 10 * 9 / std::max(1, width), work.height / 10 * 9 / std::max(1, height)));
    // The size the player left it at, when it still fits the work area.
    if (preferredWidth >= width && preferredHeight >= height && preferredWidth <= work.width &&
        preferredHeight <= work.height) {
      options.openWidth = preferredWidth;
      options.openHeight = preferredHeight;
    }
    const int outerWidth = options.openWidth > 0 ? options.openWidth : width * options.scale;
    const int outerHeight = options.openHeight > 0 ? options.openHeight : height * options.scale;
    // The client area is the window's size here: the desktop draws the frame outside it.
    if (preferredX != -1 || preferredY != -1) {
      int x = std::max(preferredX, work.x + 4);
      int y = std::max(preferredY, work.y + 4);
      if (x + outerWidth > work.x + work.width - 4) x = work.x + work.width - outerWidth - 4;
      if (y + outerHeight > work.y + work.height - 4) y = work.y + work.height - outerHeight - 4;
      options.x = std::max(x, work.x);
      options.y = std::max(y, work.y);
    } else {
      options.x = work.x + (work.width - outerWidth) / 2;
      options.y = work.y + int(0.382 * (work.height - outerHeight));
    }
  }
  options.presentPath = presentPath;
  windowSystem->SetPixelPerfect(pixelPerfect);
  mainWindow = windowSystem->CreateMainWindow(options);
  windowIsWindowed = windowed;
  if (mainWindow == 0) {
    if (!windowed && !forcedWindowed) {
      forcedWindowed = true;
      windowed = true;
      CreateMainWindow();
      return;
    }
    ShowErrorBox(GetString("FAILED_INIT_DIRECTDRAW", "Failed to initialize DirectDraw: ") +
                 DDInterface::ResultName(DDInterface::RESULT_FAIL) + " the window could not be created");
    FatalExit(1);
    return;
  }

  if (!display) display = std::make_unique<DDInterface>(windowSystem.get(), &images, displayLock);
  BeforeDisplayInitHook();
  ImagesDropCaches();
  const int result = display->Init(mainWindow, windowed, width, height);
  widgetManager->Resize(
      Rect(0, 0, display->width, display->height),
      Rect((width - display->width) / 2, (height - display->height) / 2, display->width, display->height));
  AfterDisplayInitHook();

  if (result != DDInterface::RESULT_OK) {
    if (windowed && result == DDInterface::RESULT_INVALID_COLORDEPTH) {
      if (forcedWindowed) {
        ShowErrorBox(GetString("PLEASE_SET_COLOR_DEPTH", "Please set your desktop color depth to 16 bit."));
        FatalExit(1);
        return;
      }
      forcedFullScreen = true;
      ChangeScreenMode(false);
      return;
    }
    if (!windowed && (result == DDInterface::RESULT_EXCLUSIVE_FAIL || result == DDInterface::RESULT_DISPCHANGE_FAIL)) {
      forcedWindowed = true;
      ChangeScreenMode(true);
      return;
    }
    ShowErrorBox(GetString("FAILED_INIT_DIRECTDRAW", "Failed to initialize DirectDraw: ") +
                 DDInterface::ResultName(result) + " " + display->errorText);
    FatalExit(1);
    return;
  }

  // Updates paced by the refresh take each presented frame as one refresh; a display that cannot
  // wait for the vertical blank would run them as fast as frames can be presented, so the clock
  // paces them from the start.
  if (!display->CanWaitForVSync()) refreshUnreliable = true;

  const bool wasActive = active;
  active = windowSystem->IsWindowActive(mainWindow) || headless;
  if (minimizePending_) {
    minimizePending_ = false;
    Unmute(true);
    FocusUpdate();
  }
  if (active != wasActive) FocusUpdate();

  ImagesDisplayRestored();
  widgetManager->SetScreenImage(display->GetScreenImage());
  widgetManager->InvalidateAll();
  windowSystem->SetTimer(mainWindow, 100, uint32_t(frameTime));
}

void OrvaAppBase::ChangeScreenMode(bool wantWindowed, bool, bool force) {
  if (forcedFullScreen) wantWindowed = false;
  if (wantWindowed == windowIsWindowed && !force) return;
  windowed = wantWindowed;
  CreateMainWindow();
  if (mainWindow != 0) windowSystem->ShowWindow(mainWindow, true);
  ResetTiming();
}

void OrvaAppBase::ChangeScreenMode(bool wantWindowed) { ChangeScreenMode(wantWindowed, false, false); }

void OrvaAppBase::ReinitDisplay() { ChangeScreenMode(windowIsWindowed, false, true); }

void OrvaAppBase::ImagesDisplayRestored() {}

void OrvaAppBase::ImagesDropCaches() {
  images.ForEach([](MemoryImage* image) { image->DropAllCaches(); });
}

void OrvaAppBase::ImagesRebuild() {
  images.ForEach([](MemoryImage* image) { image->ReapplyModes(); });
}

DDImage* OrvaAppBase::GetScreenImage() { return display ? display->GetScreenImage() : nullptr; }

// ---------------------------------------------------------------------------------------------
// Running

namespace {

// Ctrl+C, a polite kill or the terminal closing under the program ends it the normal way, settings
// saved.
void RequestShutdownOnSignal(int) {
  if (gOrvaApp != nullptr) gOrvaApp->shutdownFromOtherThread = true;
}

}  // namespace

void OrvaAppBase::Start() {
  if (shutdown) return;
  static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
  std::signal(SIGINT, RequestShutdownOnSignal);
  std::signal(SIGTERM, RequestShutdownOnSignal);
  std::signal(SIGHUP, RequestShutdownOnSignal);
  if (startLoaderOnRun && !loaderStarted) StartLoaderThread();
  if (mainWindow != 0) windowSystem->ShowWindow(mainWindow, true);
  const uint32_t started = Now();
  running = true;
  RunLoop();
  ProcessDeferredDeletes();
  running = false;
  if (loaderThread_.joinable()) loaderThread_.join();

  if (std::getenv("ORVA_LOOP_STATS") != nullptr) {
    const double seconds = (Now() - started) / 1000.0;
    std::fprintf(stderr, "Seconds       = %g\nSleep Count   = %d\nUpdate Count  = %d\nDraw Count    = %d\n", seconds,
                 sleepCount, updateCount, drawCount);
    std::fprintf(stderr, "Draw Time     = %u\nScreen Blt    = %u\n", drawTime, screenBltTime);
    if (drawTime + screenBltTime > 0)
      std::fprintf(stderr, "Avg FPS       = %d\n", int(drawCount * 1000 / (drawTime + screenBltTime)));
    std::fprintf(stderr, "First Frame   = %.1f ms after launch\n", firstFrameAfterMs_);
  }
  AfterLoopHook();
  SaveSettings();
}

void OrvaAppBase::StartLoaderThread() {
  loaderStarted = true;
  yieldToLoader = true;
  loaderThread_ = std::thread(&OrvaAppBase::LoaderThreadProc, this);
}

void OrvaAppBase::LoaderThreadProc(OrvaAppBase* app) {
  const uint32_t started = app->Now();
  app->LoaderThreadBody();
  if (std::getenv("ORVA_LOOP_STATS") != nullptr)
    std::fprintf(stderr, "Resource Loading Time: %u\n", app->Now() - started);
  {
    std::lock_guard lock(app->loaderProgressLock_);
    app->loaderFinished = true;
  }
  app->loaderProgress_.notify_all();
}

void OrvaAppBase::LoaderTaskDone() {
  {
    std::lock_guard lock(loaderProgressLock_);
    ++loaderTasksDone;
  }
  loaderProgress_.notify_all();
}

void OrvaAppBase::WaitForLoaderProgress() {
  std::unique_lock lock(loaderProgressLock_);
  const int seen = loaderTasksDone;
  // Bounded: a loader that stalls must not stall the loop with it.
  loaderProgress_.wait_for(lock, std::chrono::milliseconds(100),
                           [&] { return loaderFinished || loaderTasksDone != seen || shutdown; });
}

double OrvaAppBase::LoaderProgress() {
  if (loaded) return 1.0;
  if (!loaderStarted) return 0.0;
  const int count = loaderTaskCount;
  if (count <= 0) return 0.0;
  return std::min(1.0, double(loaderTasksDone) / count);
}

void OrvaAppBase::RunLoop() {
  while (!shutdown) {
    if (exitLoop) exitLoop = false;
    StepUntilUpdate();
  }
}

bool OrvaAppBase::StepUntilUpdate() {
  for (;;) {
    bool updated = false;
    if (!StepLoop(&updated)) return false;
    if (updated) return true;
  }
}

bool OrvaAppBase::StepLoop(bool* updated) {
  *updated = false;
  if (exitLoop) return false;
  if (loopState == 3) loopState = 0;
  ++updateDepth;
  if (loopState == 0) {
    PumpMessages();
    if (!shutdown) HandleQueuedMessage();
    if (deferredMessages.empty()) loopState = 1;
  } else {
    const int before = updateCount;
    ProcessFrame(true);
    *updated = updateCount != before;
  }
  --updateDepth;
  return true;
}

void OrvaAppBase::ResetTiming() {
  timeAccumulator = 0;
  lastAccumulatorTime = Now();
  accumulatorStarted = true;
}

void OrvaAppBase::AdvanceTimeAccumulator() {
  const uint32_t now = Now();
  if (!accumulatorStarted) {
    accumulatorStarted = true;
    lastAccumulatorTime = now;
    return;
  }
  const uint32_t elapsed = now - lastAccumulatorTime;
  timeAccumulator = std::min<double>(kMaxCatchUpMs, timeAccumulator + elapsed);
  lastAccumulatorTime = now;
  if (catchUpSuppression > 0) catchUpSuppression = std::max(0, catchUpSuppression - int(elapsed));
}

bool OrvaAppBase::ProcessFrame(bool allowSleep) {
  if (shutdownFromOtherThread) Shutdown();

  const bool vsyncPaced = vsyncUpdates && !lastDrawSkipped && !refreshUnreliable && (!windowIsWindowed || waitForVSync);
  double updatesPerStep, stepTime;
  if (vsyncUpdates) {
    updatesPerStep = float(1000.0 / (refreshRate * frameTime));
    stepTime = 1000.0 / refreshRate / updateSpeed;
  } else {
    updatesPerStep = 1;
    stepTime = frameTime / updateSpeed;
  }

  uint32_t now = Now();
  uint32_t slept = 0;
  if (updateSpeed > 0) {
    if (!vsyncPaced) AdvanceTimeAccumulator();
    bool drawBranch = false;
    if (loopState == 1) {
      ++nonDrawCount;
      if (nonDrawCount >= int(std::ceil(updateSpeed * 10)) && loaded) {
        drawBranch = true;
      } else {
        double threshold = vsyncPaced ? std::trunc(stepTime * 0.75) : stepTime;
        const bool skipTest = vsyncPaced && !drawPending;
        if (skipTest || timeAccumulator >= threshold) {
          if (updateSpeed == 1.0) {
            // Updates that run measurably faster than the clock mean the refresh rate is wrong.
            const int perWindow = (frameTime + 999) / frameTime;
            if (++updatesSinceCheck_ >= perWindow) {
              updatesSinceCheck_ = 0;
              if (now - lastRateCheckTime_ <= 800) {
                if (++fastUpdateWindows_ >= 3) refreshUnreliable = true;
              } else {
                fastUpdateWindows_ = 0;
              }
              lastRateCheckTime_ = now;
            }
          }
          if (TryUpdate()) loopState = 2;
          drawPending = true;
        } else {
          drawBranch = true;
        }
      }
    } else if (loopState == 2) {
      loopState = 3;
      fractionalUpdates += updatesPerStep - 1;
      ProcessDeferredDeletes();
      while (fractionalUpdates >= 1) {
        ++nonDrawCount;
        if (!TryUpdate()) break;
        ProcessDeferredDeletes();
        fractionalUpdates -= 1;
      }
      UpdateFraction(float(updatesPerStep));
      ProcessDeferredDeletes();
      timeAccumulator -= stepTime;
      if (vsyncPaced) timeAccumulator = std::max(0.0, timeAccumulator - 0.2);
      if (catchUpSuppression > 0) timeAccumulator = 0;
    } else {
      drawBranch = true;
    }

    if (drawBranch) {
      loopState = 3;
      nonDrawCount = 0;
      if (drawPending) {
        DrawIfDirty();
      } else {
        // Rounded up: the clock counts whole milliseconds, and the fraction of one left before
        // the next update would otherwise be spent spinning through the loop.
        const int ms = int(std::ceil(stepTime - timeAccumulator));
        if (ms > 0) {
          if (!allowSleep) return false;
          ++sleepCount;
          windowSystem->Sleep(uint32_t(ms));
          slept = uint32_t(ms);
        }
      }
    }
  } else {
    // Simulated time stands still: only messages are handled, and the loop rests in between.
    loopState = 3;
    if (drawPending) DrawIfDirty();
    if (allowSleep) {
      ++sleepCount;
      windowSystem->Sleep(uint32_t(frameTime));
      slept = uint32_t(frameTime);
    }
  }

  if (yieldToLoader && headless) {
    // Without a real clock sleeping takes no time, and the loop would run through updates of the
    // loading screen as fast as it can, taking the processor from the loader: it waits for the
    // loader's next step instead.
    if (!allowSleep) return false;
    WaitForLoaderProgress();
  } else if (yieldToLoader) {
    // While loading, leave the loader about as much time again as this step used.
    const int used = int(Now() - slept - now);
    const int extra = std::min(250, 2 * used - int(slept));
    if (extra >= 0) {
      if (!allowSleep) return false;
      windowSystem->Sleep(uint32_t(extra));
    }
  }
  ProcessDeferredDeletes();
  return true;
}

bool OrvaAppBase::TryUpdate() {
  if (suspended) return false;
  if (loaderFinished && !loaded) {
    loaded = true;
    yieldToLoader = false;
    LoaderFinishedHook();
  }
  UpdateOnce();
  return true;
}

void OrvaAppBase::UpdateOnce() {
  ++updateCount;
  // A second launch asked to see this window (looked for ten times a second).
  if (updateCount % 10 == 0 && instanceLock_.TakeActivationRequest() && mainWindow != 0)
    windowSystem->BringToFront(mainWindow);
  if (!minimized && widgetManager->UpdateWidgets()) ++dirtyUpdateCount;
  if (musicPlayer) musicPlayer->Update();
  if (sharedImages.PurgeRequested()) sharedImages.PurgeUnreferenced();
}

void OrvaAppBase::UpdateFraction(float fraction) {
  if (vsyncUpdates && !minimized) widgetManager->UpdateFrameSmooth(fraction);
}

bool OrvaAppBase::DrawIfDirty() {
  std::lock_guard guard(frameworkLock);
  const uint32_t started = Now();
  bool drew = false;
  if (!suspended) {
    drawingNow = true;
    drew = widgetManager->DrawDirtyWidgets();
    drawingNow = false;
  }
  if ((drew || started - lastDrawTime > 999) && started >= nextAllowedDrawTime) {
    ++drawCount;
    lastDrawSkipped = false;
    lastDrawTime = started;
    // Only the part that was drawn goes to the window; the once-a-second refresh sends it all.
    if (drew) {
      const Rect changed = widgetManager->lastDrawnRect;
      lastPresentedPixels = int64_t(changed.width) * changed.height;
      Present(&changed);
    } else {
      lastPresentedPixels = int64_t(width) * height;
      Present(nullptr);
    }
    const uint32_t finished = Now();
    if (drawCount == 1) firstFrameAfterMs_ = MillisecondsSinceLaunch();
    drawTime += finished - started;
    AdvanceTimeAccumulator();
    if (loaderStarted && !loaderFinished) {
      nextAllowedDrawTime = std::max(finished, nextAllowedDrawTime + std::max(15u, finished - started) + 35);
    } else {
      nextAllowedDrawTime = finished;
    }
    drawPending = false;
    cursorNeedsFrame = false;
    return true;
  }
  drawPending = false;
  lastDrawSkipped = true;
  return false;
}

void OrvaAppBase::Present(const Rect* rect) {
  if (drawingNow || shutdown || suspended || !display) return;
  if (display->Redraw(rect)) return;
  // The window could not take the frame: make it again when the application is in front.
  if (active && !minimized) {
    std::fprintf(stderr, "%s: the window was lost; making it again\n", productName.c_str());
    ReinitDisplay();
  }
}

void OrvaAppBase::DeferDelete(Widget* widget) {
  std::lock_guard guard(frameworkLock);
  // A widget already waiting stays at its first depth: queued twice it would be deleted twice.
  for (const DeferredDelete& waiting : deferredDeletes)
    if (waiting.widget == widget) return;
  deferredDeletes.push_back({updateDepth, widget});
}

void OrvaAppBase::ProcessDeferredDeletes() {
  std::lock_guard guard(frameworkLock);
  for (auto it = deferredDeletes.begin(); it != deferredDeletes.end();) {
    if (it->depth >= updateDepth) {
      Widget* widget = it->widget;
      it = deferredDeletes.erase(it);
      delete widget;
    } else {
      ++it;
    }
  }
}

void OrvaAppBase::ProcessDeferredDeletesAll() {
  std::lock_guard guard(frameworkLock);
  while (!deferredDeletes.empty()) {
    Widget* widget = deferredDeletes.front().widget;
    deferredDeletes.pop_front();
    delete widget;
  }
}

void OrvaAppBase::Shutdown() {
  // From another thread (or before Init), only ask: the main thread shuts down in its next frame.
  if (mainThreadId != std::thread::id() && std::this_thread::get_id() != mainThreadId) {
    shutdownFromOtherThread = true;
    return;
  }
  if (shutdown) return;
  exitLoop = true;
  shutdown = true;
  BeforeShutdownHook();
  if (musicPlayer) musicPlayer->StopAll();
  if (mainWindow != 0 && windowSystem) windowSystem->ShowWindow(mainWindow, false);
  if (registryRead) SaveSettings();
}

void OrvaAppBase::FatalExit(int code) {
  if (fatalExitHandler != nullptr) {
    fatalExitHandler(code);
    return;
  }
  std::fflush(nullptr);
  std::_Exit(code);
}

void OrvaAppBase::HideAndSilence() {
  if (musicPlayer) musicPlayer->SetVolume(0);
  if (mainWindow != 0) windowSystem->ShowWindow(mainWindow, false);
  uiHidden = true;
  RefreshCursor();
}

// ---------------------------------------------------------------------------------------------
// Sound bookkeeping (the framework's sound is silent; the values are kept and saved)

void OrvaAppBase::ApplyVolumes() {
  if (musicPlayer) musicPlayer->SetVolume(muteCount > 0 ? 0.0 : musicVolume);
  if (soundManager) soundManager->SetVolume(muteCount > 0 ? 0.0 : sfxVolume);
}

void OrvaAppBase::PlayEffect(int id, int pan) {
  if (soundManager) soundManager->PlayEffect(id, pan);
}

void OrvaAppBase::PlayEffect(int id) { PlayEffect(id, 0); }

double OrvaAppBase::GetMasterVolume() { return sfxVolume; }
double OrvaAppBase::GetMusicVolume() { return musicVolume; }
double OrvaAppBase::GetSfxVolume() { return sfxVolume; }
bool OrvaAppBase::IsMuted() { return muteCount > 0; }

// There is no separate master volume: it is the effects volume, as saved.
void OrvaAppBase::SetMasterVolume(double volume) { SetSfxVolume(volume); }

void OrvaAppBase::SetMusicVolume(double volume) {
  musicVolume = std::clamp(volume, 0.0, 1.0);
  ApplyVolumes();
}

void OrvaAppBase::SetSfxVolume(double volume) {
  sfxVolume = std::clamp(volume, 0.0, 1.0);
  ApplyVolumes();
}

void OrvaAppBase::Mute(bool autoMute) {
  ++muteCount;
  if (autoMute) ++autoMuteCount;
  ApplyVolumes();
}

void OrvaAppBase::Unmute(bool autoMute) {
  if (muteCount <= 0) return;
  --muteCount;
  if (autoMute && autoMuteCount > 0) --autoMuteCount;
  ApplyVolumes();
}

// ---------------------------------------------------------------------------------------------
// Pictures

std::unique_ptr<MemoryImage> OrvaAppBase::CreateImageFromFile(const std::string& path, bool commitBits) {
  std::unique_ptr<ImageLib::Image> file = ImageLib::LoadImageFile(path);
  if (file == nullptr || file->bits == nullptr) return nullptr;
  auto image = std::make_unique<DDImage>(display.get(), &images);
  image->SetPixels(file->bits.get(), file->width, file->height, commitBits);
  image->filePath = path;
  return image;
}

SharedPictureRef OrvaAppBase::AcquireSharedImage(const std::string& path, const std::string& variant, bool* isNew) {
  return sharedImages.Acquire(path, variant, isNew);
}

void OrvaAppBase::DiscardSharedImage(const std::string& path, const std::string& variant) {
  sharedImages.Discard(path, variant);
}

// ---------------------------------------------------------------------------------------------
// Message boxes, strings, the clipboard

void OrvaAppBase::EnterSystemBox() {
  if (!windowIsWindowed) popupActive = true;
}

void OrvaAppBase::LeaveSystemBox() {
  if (!windowIsWindowed) popupActive = false;
  ResetTiming();
  ClearKeyState();
  if (widgetManager->heldButtons != 0) {
    widgetManager->ReleaseMouseButtons();
    if (windowSystem && mainWindow != 0) windowSystem->CaptureMouse(mainWindow, false);
  }
}

int OrvaAppBase::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  if (!windowSystem) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return IDOK;
  }
  EnterSystemBox();
  const int result = windowSystem->ShowMessageBox(mainWindow, text, caption, flags);
  LeaveSystemBox();
  return result;
}

void OrvaAppBase::ShowErrorBox(const std::string& text) {
  if (shutdown) return;
  const std::string caption = GetString("FATAL_ERROR", "FATAL ERROR");
  // Without a window (headless, or before one exists) the error goes to standard error.
  if (!windowSystem || windowSystem->IsHeadless()) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

std::string OrvaAppBase::GetString(const std::string& id, const std::string& defaultText) {
  auto found = strings.find(id);
  return found == strings.end() ? defaultText : found->second;
}

void OrvaAppBase::SetString(const std::string& id, const std::string& text) { strings[id] = text; }

void OrvaAppBase::CopyToClipboard(const std::string& text) {
  if (windowSystem) windowSystem->SetClipboardText(text);
}

std::string OrvaAppBase::GetClipboardText() { return windowSystem ? windowSystem->GetClipboardText() : std::string(); }

bool OrvaAppBase::ReadResourceManifest() {
  if (resourceManager->ReadManifest("properties/resources.xml")) return true;
  ReportResourceError(true);
  return false;
}

void OrvaAppBase::ReportResourceError(bool exitAfter) {
  ShowErrorBox(resourceManager->ErrorText());
  if (exitAfter) FatalExit(0);
}

// ---------------------------------------------------------------------------------------------
// Settings and the command line

std::string OrvaAppBase::SettingsFilePath() const {
  std::string folder = !dataDirectory.empty() ? dataDirectory : ConfigFolderFor(registryKey);
  if (registryKey.empty() || folder.empty()) return std::string();
  if (folder.back() != '/') folder += '/';
  return folder + "registry.reg";
}

namespace {

// "SOFTWARE\" + key, and a value name's own subkeys ("Test3D\RuntimeError") moved onto the key.
void SplitValueName(const std::string& registryKey, const std::string& valueName, std::string& keyPath,
                    std::string& name) {
  std::string key = registryKey;
  if (!key.empty() && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  keyPath = "SOFTWARE\\" + key;
  const size_t slash = valueName.rfind('\\');
  if (slash == std::string::npos) {
    name = valueName;
  } else {
    keyPath += "\\" + valueName.substr(0, slash);
    name = valueName.substr(slash + 1);
  }
}

}  // namespace

bool OrvaAppBase::StoreValue(const std::string& valueName, RegistryStore::Type type, const std::string& data) {
  if (registryKey.empty()) return false;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  return registry.Store(keyPath, name, type, data);
}

bool OrvaAppBase::StoreText(const std::string& valueName, const std::string& text) {
  return StoreValue(valueName, RegistryStore::Type::String, text);
}

bool OrvaAppBase::StoreInt(const std::string& valueName, int value) {
  std::string data(4, '\0');
  const uint32_t bits = uint32_t(value);
  for (int i = 0; i < 4; ++i) data[size_t(i)] = char((bits >> (8 * i)) & 0xFF);
  return StoreValue(valueName, RegistryStore::Type::Dword, data);
}

bool OrvaAppBase::StoreFlag(const std::string& valueName, bool value) { return StoreInt(valueName, value ? 1 : 0); }

bool OrvaAppBase::FetchValue(const std::string& valueName, RegistryStore::Type& type, std::string& data) {
  if (registryKey.empty()) return false;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  RegistryStore::Value value;
  if (!registry.Fetch(keyPath, name, value)) return false;
  type = value.type;
  data = value.data;
  return true;
}

bool OrvaAppBase::FetchText(const std::string& valueName, std::string& text) {
  RegistryStore::Type type;
  std::string data;
  if (!FetchValue(valueName, type, data) || type != RegistryStore::Type::String) return false;
  text = data.substr(0, 1023);
  return true;
}

bool OrvaAppBase::FetchInt(const std::string& valueName, int& value) {
  RegistryStore::Type type;
  std::string data;
  if (!FetchValue(valueName, type, data) || type != RegistryStore::Type::Dword || data.size() != 4) return false;
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(static_cast<unsigned char>(data[size_t(i)])) << (8 * i);
  value = int(bits);
  return true;
}

bool OrvaAppBase::FetchFlag(const std::string& valueName, bool& value) {
  int number = 0;
  if (!FetchInt(valueName, number)) return false;
  value = number != 0;
  return true;
}

void OrvaAppBase::EraseStoredValue(const std::string& valueName) {
  if (registryKey.empty()) return;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  registry.Erase(keyPath, name);
}

void OrvaAppBase::LoadSettings() {
  registryRead = true;
  registryKey = GetString("RegistryKey", registryKey);
  registry.SetFile(SettingsFilePath());
  if (!registry.Load() && !registry.FilePath().empty()) {
    // Said once here: the refused saves that follow stay silent.
    if (registry.Unreadable()) {
      std::fprintf(stderr,
                   "%s: the settings file %s could not be read; it is left as it is and this run's settings "
                   "are not saved\n",
                   productName.c_str(), registry.FilePath().c_str());
    } else {
      std::fprintf(stderr, "%s: the settings file %s is damaged; what could be read is kept\n", productName.c_str(),
                   registry.FilePath().c_str());
    }
  }

  // Stored numbers are checked: a damaged or edited file must not set a volume of 1000 % or a
  // mute that no number of unmutes lifts.
  int value = 0;
  if (FetchInt("MusicVolume", value)) musicVolume = std::clamp(value, 0, 100) / 100.0;
  if (FetchInt("SfxVolume", value)) sfxVolume = std::clamp(value, 0, 100) / 100.0;
  if (FetchInt("Muted", value)) muteCount = value != 0 ? 1 : 0;
  if (FetchInt("ScreenMode", value)) windowed = value == 0;
  // Positions far past any desktop are damage; kept to a range where adding the window's size
  // cannot overflow, like the volumes.
  if (FetchInt("PreferredX", value)) preferredX = std::clamp(value, -kMaxWindowPosition, kMaxWindowPosition);
  if (FetchInt("PreferredY", value)) preferredY = std::clamp(value, -kMaxWindowPosition, kMaxWindowPosition);
  if (FetchInt("PreferredWidth", value)) preferredWidth = std::clamp(value, 0, kMaxWindowPosition);
  if (FetchInt("PreferredHeight", value)) preferredHeight = std::clamp(value, 0, kMaxWindowPosition);
  if (FetchInt("CustomCursors", value)) UseCustomCursors(value != 0);
  if (FetchInt("WaitForVSync", value)) waitForVSync = value != 0;
  if (FetchInt("PixelPerfect", value)) pixelPerfect = value != 0;
  // An unknown word keeps the automatic choice.
  if (std::string path; FetchText("PresentPath", path)) ParsePresentPath(path, presentPath);
  if (FetchInt("InProgress", value)) cleanExitLastTime = value == 0;
  if (!screenSaverMode) StoreInt("InProgress", 1);
}

void OrvaAppBase::SaveSettings() {
  StoreInt("MusicVolume", int(musicVolume * 100));
  StoreInt("SfxVolume", int(sfxVolume * 100));
  StoreInt("Muted", muteCount - autoMuteCount > 0 ? 1 : 0);
  StoreInt("ScreenMode", windowed ? 0 : 1);
  StoreInt("PreferredX", preferredX);
  StoreInt("PreferredY", preferredY);
  if (preferredWidth > 0 && preferredHeight > 0) {
    StoreInt("PreferredWidth", preferredWidth);
    StoreInt("PreferredHeight", preferredHeight);
  }
  StoreInt("CustomCursors", customCursorsEnabled ? 1 : 0);
  StoreInt("InProgress", 0);
  StoreInt("WaitForVSync", waitForVSync ? 1 : 0);
  StoreInt("PixelPerfect", pixelPerfect ? 1 : 0);
  StoreText("PresentPath", PresentPathName(presentPath));
}

void OrvaAppBase::ReadCommandLine() {
  commandLineParsed = true;
  size_t start = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    if (close == std::string::npos) return;
    start = close + 1;
  }
  const size_t space = commandLine.find(' ', start);
  if (space != std::string::npos) SplitSwitches(commandLine.substr(space + 1));
}

void OrvaAppBase::SplitSwitches(const std::string& text) {
  std::string name, value;
  bool inQuote = false;
  bool afterEquals = false;
  auto finish = [&] {
    if (!name.empty()) ApplySwitch(name, value);
    name.clear();
    value.clear();
    afterEquals = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    bool endsSwitch = false;
    if (c == '"') {
      inQuote = !inQuote;
      if (!inQuote) endsSwitch = true;
    } else if (c == '=' && !afterEquals) {
      // Only the first "=" ends the name: a value may hold more ("-datadir=/games/a=b").
      afterEquals = true;
    } else if (c == ' ' && !inQuote) {
      endsSwitch = true;
    } else {
      (afterEquals ? value : name) += c;
    }
    if (endsSwitch || i + 1 == text.size()) finish();
  }
}

void OrvaAppBase::ApplySwitch(const std::string& name, const std::string& value) {
  // Demo recording and the crash reporter are not part of this build: their switches are
  // accepted and do nothing.
  if (name == "-play" || name == "-record" || name == "-recnum" || name == "-playnum" || name == "-demofile" ||
      name == "-crash") {
    return;
  }
  if (name == "-screensaver") {
    screenSaverMode = true;
  } else if (name == "-changedir") {
    appDirectory = value;
    appDirectoryGiven = true;
  } else if (name == "-headless") {
    headless = true;
  } else if (name == "-seed") {
    randomSeedFixed = true;
    randomSeed = unsigned(std::strtoul(value.c_str(), nullptr, 10));
  } else if (name == "-datadir") {
    dataDirectory = value;
  } else if (name == "--help" || name == "-h") {
    std::printf("Usage: %s [SWITCH]...\n\n%s", productName.c_str(), SwitchHelp().c_str());
    FatalExit(0);
  } else if (name == "--version") {
    std::printf("%s %s\n", productName.c_str(), productVersion.c_str());
    FatalExit(0);
  } else {
    // Code 2, as command-line programs answer a usage mistake, so that scripts notice.
    ShowErrorBox(GetString("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: ") + name);
    FatalExit(2);
  }
}

std::string OrvaAppBase::SwitchHelp() const {
  return "  -headless         no window: a headless display with a manual clock (tests and tools)\n"
         "  -seed=N           start the random generators from N (reproducible runs)\n"
         "  -datadir=PATH     keep settings and written files in PATH\n"
         "  -changedir=PATH   read the program's data from PATH\n"
         "  -screensaver      screen-saver mode\n"
         "  -h, --help        print this and exit\n"
         "  --version         print the version and exit\n";
}

// ---------------------------------------------------------------------------------------------
// Dialogs

Dialog* OrvaAppBase::CreateDialogObject(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                                        const std::string& footnote, int buttonSet) {
  auto* dialog = new Dialog(nullptr, id, modal, dialogTitle, body, footnote, buttonSet);
  dialog->dialogListener = this;
  return dialog;
}

Dialog* OrvaAppBase::ShowDialog(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                                const std::string& footnote, int buttonSet) {
  CloseDialog(id);
  Dialog* dialog = CreateDialogObject(id, modal, dialogTitle, body, footnote, buttonSet);
  RegisterDialog(id, dialog);
  return dialog;
}

Dialog* OrvaAppBase::FindDialog(int id) {
  auto found = dialogs.find(id);
  return found == dialogs.end() ? nullptr : found->second;
}

void OrvaAppBase::RegisterDialog(Dialog* dialog) { RegisterDialog(dialog->id, dialog); }

void OrvaAppBase::RegisterDialog(int id, Dialog* dialog) {
  // Already registered under this id: closing it first would delete the dialog being registered.
  if (FindDialog(id) == dialog) return;
  CloseDialog(id);
  if (dialog->width == 0) {
    const int dialogWidth = width / 2;
    dialog->Resize((width - dialogWidth) / 2, height / 5, dialogWidth, dialog->MeasureHeight(dialogWidth));
  }
  dialogs[id] = dialog;
  dialogOrder.push_back(dialog);
  dialog->registeredWith = this;
  widgetManager->AddWidget(dialog);
  if (dialog->IsModalDialog()) {
    widgetManager->PushModalLayer(dialog);
    ModalShownHook();
  }
}

bool OrvaAppBase::CloseDialog(Dialog* dialog) { return CloseDialog(dialog->id); }

bool OrvaAppBase::CloseDialog(int id) { return CloseDialog(id, true, true); }

bool OrvaAppBase::CloseDialog(int id, bool removeWidget, bool deleteWidget) {
  auto found = dialogs.find(id);
  if (found == dialogs.end()) return false;
  Dialog* dialog = found->second;
  dialogOrder.remove(dialog);
  dialogs.erase(found);
  if (std::none_of(dialogs.begin(), dialogs.end(), [&](const auto& entry) { return entry.second == dialog; }))
    dialog->registeredWith = nullptr;
  if (removeWidget || deleteWidget) widgetManager->RemoveWidget(dialog);
  if (dialog->IsModalDialog()) {
    ModalHiddenHook();
    widgetManager->PopModalLayer(dialog);
  }
  if (deleteWidget) DeferDelete(dialog);
  return true;
}

int OrvaAppBase::CountDialogs() { return int(dialogs.size()); }

void OrvaAppBase::ForgetDialog(Dialog* dialog) {
  bool registered = false;
  for (auto entry = dialogs.begin(); entry != dialogs.end();) {
    if (entry->second == dialog) {
      entry = dialogs.erase(entry);
      registered = true;
    } else {
      ++entry;
    }
  }
  dialogOrder.remove(dialog);
  if (widgetManager) {
    widgetManager->RemoveWidget(dialog);
    if (registered && dialog->IsModalDialog()) {
      ModalHiddenHook();
      widgetManager->PopModalLayer(dialog);
    }
  }
  std::lock_guard guard(frameworkLock);
  deferredDeletes.remove_if([&](const DeferredDelete& waiting) { return waiting.widget == dialog; });
}

void OrvaAppBase::OnDialogButtonPressed(int dialogId, int buttonId) {
  if (buttonId == 1000) OnButtonPressed(dialogId + 2000);
  if (buttonId == 1001) OnButtonPressed(dialogId + 3000);
}

void OrvaAppBase::OnDialogButtonReleased(int dialogId, int buttonId) {
  if (buttonId == 1000) OnButtonReleased(dialogId + 2000);
  if (buttonId == 1001) OnButtonReleased(dialogId + 3000);
}

}  // namespace Orva
