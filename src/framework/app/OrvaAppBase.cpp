// The application base coming up and going down: construction and destruction, Init (settings,
// command line, window and display), screen modes and the pictures the display holds.
#include "framework/app/OrvaAppBase.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/platform/FrameClock.h"
#include "framework/resources/PakInterface.h"
#include "framework/widgets/Dialog.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

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
  if (!display->CanWaitForVSync()) loop_.refreshUnreliable = true;

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

}  // namespace Orva
