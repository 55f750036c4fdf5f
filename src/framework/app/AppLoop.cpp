// The running application: the start of the loop and the loading thread, the fixed-rate loop
// itself (updates, drawing, presenting), deferred deletes and the way out.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/DDInterface.h"
#include "framework/platform/FrameClock.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

// Taken while the program's statics are made, before main: "launch" in the start-up figures.
const std::chrono::steady_clock::time_point kLaunched = std::chrono::steady_clock::now();

double MillisecondsSinceLaunch() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - kLaunched).count();
}

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
    std::fprintf(stderr, "Draw Time     = %u\nScreen Blt    = %u\n", loop_.drawTime, loop_.screenBltTime);
    if (loop_.drawTime + loop_.screenBltTime > 0)
      std::fprintf(stderr, "Avg FPS       = %d\n", int(drawCount * 1000 / (loop_.drawTime + loop_.screenBltTime)));
    std::fprintf(stderr, "First Frame   = %.1f ms after launch\n", loop_.firstFrameAfterMs);
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
  ++loop_.updateDepth;
  if (loopState == 0) {
    PumpMessages();
    if (!shutdown) HandleQueuedMessage();
    if (deferredMessages.empty()) loopState = 1;
  } else {
    const int before = updateCount;
    ProcessFrame(true);
    *updated = updateCount != before;
  }
  --loop_.updateDepth;
  return true;
}

void OrvaAppBase::ResetTiming() {
  loop_.timeAccumulator = 0;
  loop_.lastAccumulatorTime = Now();
  loop_.accumulatorStarted = true;
}

void OrvaAppBase::AdvanceTimeAccumulator() {
  const uint32_t now = Now();
  if (!loop_.accumulatorStarted) {
    loop_.accumulatorStarted = true;
    loop_.lastAccumulatorTime = now;
    return;
  }
  const uint32_t elapsed = now - loop_.lastAccumulatorTime;
  loop_.timeAccumulator = std::min<double>(kMaxCatchUpMs, loop_.timeAccumulator + elapsed);
  loop_.lastAccumulatorTime = now;
  if (loop_.catchUpSuppression > 0) loop_.catchUpSuppression = std::max(0, loop_.catchUpSuppression - int(elapsed));
}

bool OrvaAppBase::ProcessFrame(bool allowSleep) {
  if (shutdownFromOtherThread) Shutdown();

  const bool vsyncPaced =
      vsyncUpdates && !loop_.lastDrawSkipped && !loop_.refreshUnreliable && (!windowIsWindowed || waitForVSync);
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
      ++loop_.nonDrawCount;
      if (loop_.nonDrawCount >= int(std::ceil(updateSpeed * 10)) && loaded) {
        drawBranch = true;
      } else {
        double threshold = vsyncPaced ? std::trunc(stepTime * 0.75) : stepTime;
        const bool skipTest = vsyncPaced && !loop_.drawPending;
        if (skipTest || loop_.timeAccumulator >= threshold) {
          if (updateSpeed == 1.0) {
            // Updates that run measurably faster than the clock mean the refresh rate is wrong.
            const int perWindow = (frameTime + 999) / frameTime;
            if (++updatesSinceCheck_ >= perWindow) {
              updatesSinceCheck_ = 0;
              if (now - lastRateCheckTime_ <= 800) {
                if (++fastUpdateWindows_ >= 3) loop_.refreshUnreliable = true;
              } else {
                fastUpdateWindows_ = 0;
              }
              lastRateCheckTime_ = now;
            }
          }
          if (TryUpdate()) loopState = 2;
          loop_.drawPending = true;
        } else {
          drawBranch = true;
        }
      }
    } else if (loopState == 2) {
      loopState = 3;
      loop_.fractionalUpdates += updatesPerStep - 1;
      ProcessDeferredDeletes();
      while (loop_.fractionalUpdates >= 1) {
        ++loop_.nonDrawCount;
        if (!TryUpdate()) break;
        ProcessDeferredDeletes();
        loop_.fractionalUpdates -= 1;
      }
      UpdateFraction(float(updatesPerStep));
      ProcessDeferredDeletes();
      loop_.timeAccumulator -= stepTime;
      if (vsyncPaced) loop_.timeAccumulator = std::max(0.0, loop_.timeAccumulator - 0.2);
      if (loop_.catchUpSuppression > 0) loop_.timeAccumulator = 0;
    } else {
      drawBranch = true;
    }

    if (drawBranch) {
      loopState = 3;
      loop_.nonDrawCount = 0;
      if (loop_.drawPending) {
        DrawIfDirty();
      } else {
        // Rounded up: the clock counts whole milliseconds, and the fraction of one left before
        // the next update would otherwise be spent spinning through the loop.
        const int ms = int(std::ceil(stepTime - loop_.timeAccumulator));
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
    if (loop_.drawPending) DrawIfDirty();
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
  if (!minimized && widgetManager->UpdateWidgets()) ++loop_.dirtyUpdateCount;
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
    loop_.drawingNow = true;
    drew = widgetManager->DrawDirtyWidgets();
    loop_.drawingNow = false;
  }
  if ((drew || started - loop_.lastDrawTime > 999) && started >= loop_.nextAllowedDrawTime) {
    ++drawCount;
    loop_.lastDrawSkipped = false;
    loop_.lastDrawTime = started;
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
    if (drawCount == 1) loop_.firstFrameAfterMs = MillisecondsSinceLaunch();
    loop_.drawTime += finished - started;
    AdvanceTimeAccumulator();
    if (loaderStarted && !loaderFinished) {
      loop_.nextAllowedDrawTime =
          std::max(finished, loop_.nextAllowedDrawTime + std::max(15u, finished - started) + 35);
    } else {
      loop_.nextAllowedDrawTime = finished;
    }
    loop_.drawPending = false;
    cursorNeedsFrame = false;
    return true;
  }
  loop_.drawPending = false;
  loop_.lastDrawSkipped = true;
  return false;
}

void OrvaAppBase::Present(const Rect* rect) {
  if (loop_.drawingNow || shutdown || suspended || !display) return;
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
  deferredDeletes.push_back({loop_.updateDepth, widget});
}

void OrvaAppBase::ProcessDeferredDeletes() {
  std::lock_guard guard(frameworkLock);
  for (auto it = deferredDeletes.begin(); it != deferredDeletes.end();) {
    if (it->depth >= loop_.updateDepth) {
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

}  // namespace Orva
