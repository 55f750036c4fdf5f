#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/app/RegistryStore.h"
#include "framework/graphics/ImageHost.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/UserFolders.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/WindowSystem.h"
#include "framework/resourcemanager/ResourceHost.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/resourcemanager/SharedImage.h"
#include "framework/sound/MusicInterface.h"
#include "framework/sound/SoundManager.h"
#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/DialogListener.h"
#include "framework/widgets/WidgetHost.h"

namespace Orva {

class DDImage;
class DDInterface;
class Dialog;
class Image;
class MemoryImage;
class Widget;
class WidgetManager;

class OrvaAppBase;
// The one application object; set by its constructor, cleared by its destructor.
extern OrvaAppBase* gOrvaApp;

// The application object of the framework: the window and display, the fixed-rate main loop,
// the widget tree, the resource manager, settings, the loading thread and the dialogs. The game
// derives its own application from it; the entry point constructs it, calls Init, then Start.
//
// Threads: everything runs on the main thread except LoaderThreadBody (the loading thread),
// which may use the resource manager and create images; pictures register under displayLock.
// Shutdown may be called from any thread.
class OrvaAppBase : public ButtonListener, public DialogListener, public ResourceHost, public WidgetHost {
 public:
  // ---- Identity and screen mode
  std::string companyName;
  std::string productName = "Product";
  std::string title = "OrvaApp";
  std::string registryKey;
  std::string appDirectory;
  // Where an installed copy keeps its data, relative to the program's folder ("../share/name/");
  // used when the data does not lie beside the program and -changedir names no folder.
  std::string installedDataFolder;
  bool appDirectoryGiven = false;  // -changedir named it
  std::string productVersion;
  int width = 640;
  int height = 480;
  int preferredX = -1;
  int preferredY = -1;
  // The window's size as the player left it (0: not set), kept in the settings like its place.
  int preferredWidth = 0;
  int preferredHeight = 0;
  bool windowed = true;
  bool windowIsWindowed = true;
  bool fullScreenByModeChange = false;
  bool forcedFullScreen = false;
  bool forcedWindowed = false;
  bool allowMaximize = false;

  // ---- Loop timing (AppLoop.cpp; its own bookkeeping is private, LoopInternals)
  int frameTime = 10;
  double updateSpeed = 1.0;
  int refreshRate = 100;
  bool vsyncUpdates = false;
  bool waitForVSync = false;
  // Whole-multiple scaling only, with bars ("PixelPerfect" in the settings file); otherwise the
  // picture fits the window or screen sharply where a whole multiple would leave much unused.
  bool pixelPerfect = false;
  // How frames reach the screen ("PresentPath" in the settings file: "auto", "hardware" or
  // "software"); read when the window is made.
  PresentPath presentPath = PresentPath::AUTOMATIC;
  int loopState = 0;
  int updateCount = 0;
  int drawCount = 0;
  int sleepCount = 0;
  // Pixels drawn into the back buffer and sent to the window by the last present (measuring).
  int64_t lastPresentedPixels = 0;

  // ---- Focus, window state and cursors (AppMessages.cpp)
  bool active = true;
  bool minimized = false;
  bool windowDisabled = false;
  bool hasFocus = true;
  bool mouseInWindow = false;
  bool muteOnFocusLoss = true;
  bool uiHidden = false;
  bool popupActive = false;
  bool ctrlDown = false;
  bool altDown = false;
  int cursorKind = CURSOR_POINTER;
  Image* customCursorImages[NUM_CURSORS] = {};
  CursorHandle overrideCursor = 0;
  bool customCursorsEnabled = false;
  CursorHandle handCursor = 0;
  CursorHandle dragCursor = 0;
  bool cursorNeedsFrame = false;

  // ---- Shutdown and start-up
  std::atomic<bool> shutdown{false};
  bool exitLoop = false;
  bool running = false;
  bool initialized = false;
  bool registryRead = false;
  bool singleInstance = true;
  bool commandLineParsed = false;
  std::thread::id mainThreadId;
  std::atomic<bool> shutdownFromOtherThread{false};
  bool cleanExitLastTime = true;
  bool autoAcceleration3D = false;
  bool suspended = false;
  bool screenSaverMode = false;

  // ---- Sound levels (AppSound.cpp)
  bool noSound = false;
  bool altMusicBackEnd = false;
  int muteCount = 0;
  int autoMuteCount = 0;
  double musicVolume = 0.85;
  double sfxVolume = 0.85;

  // ---- Loading progress (the loading thread, AppLoop.cpp)
  bool startLoaderOnRun = true;
  std::atomic<bool> loaderStarted{false};
  std::atomic<bool> loaderFinished{false};
  bool loaded = false;
  bool yieldToLoader = false;
  std::atomic<int> loaderTaskCount{0};
  std::atomic<int> loaderTasksDone{0};
  // Counts one finished loading task (the loading thread calls it) and wakes a headless loop
  // waiting for the loader.
  void LoaderTaskDone();

  // ---- This platform's switches
  bool headless = false;         // "-headless": no window; the headless window system
  bool randomSeedFixed = false;  // "-seed=N": rand() and the framework's generator start from N
  unsigned int randomSeed = 0;
  // "-datadir=PATH": the folder for the files the program writes (settings, profiles) instead of
  // the desktop's configuration and data folders.
  std::string dataDirectory;
  std::string appDataFolder;  // where files the program writes go (ends in "/"; empty: none)
  std::string commandLine;    // the process command line as one text (SetCommandLine)

  // ---- Owned objects
  std::unique_ptr<WindowSystem> windowSystem;
  std::recursive_mutex displayLock;    // guards the live image set, surfaces and shared images
  std::recursive_mutex frameworkLock;  // taken around deferred deletes and drawing
  ImageRegistry images{displayLock};
  SharedImageTable sharedImages;
  std::unique_ptr<DDInterface> display;
  std::unique_ptr<SoundManager> soundManager;
  std::unique_ptr<MusicInterface> musicPlayer;
  WindowHandle mainWindow = 0;
  std::map<int, Dialog*> dialogs;
  std::list<Dialog*> dialogOrder;
  std::deque<WindowMessage> deferredMessages;
  struct DeferredDelete {
    int depth;
    Widget* widget;
  };
  std::list<DeferredDelete> deferredDeletes;
  std::map<std::string, std::string> strings;
  RegistryStore registry;
  // Created last in the constructor (it needs the rest), destroyed in the destructor's order.
  std::unique_ptr<ResourceManager> resourceManager;
  std::unique_ptr<WidgetManager> widgetManager;

  OrvaAppBase();
  OrvaAppBase(const OrvaAppBase&) = delete;
  OrvaAppBase& operator=(const OrvaAppBase&) = delete;

  // ---- Virtual operations
  virtual bool ProcessFrame(bool allowSleep);
  virtual void UpdateOnce();
  virtual bool TryUpdate();
  virtual void UpdateFraction(float fraction);
  virtual void CreateMainWindow();
  virtual void RefreshCursor();
  virtual void ImagesDisplayRestored();
  virtual void ImagesDropCaches();
  virtual void ImagesRebuild();
  virtual void LoaderFinishedHook() {}
  virtual ~OrvaAppBase();
  virtual std::unique_ptr<MusicInterface> MakeMusicPlayer();
  virtual void AfterInitHook() {}
  virtual void BeforeShutdownHook() {}
  virtual void AfterLoopHook() {}
  virtual void LoaderThreadBody() {}
  virtual void SaveSettings();
  virtual void LoadSettings();
  virtual Dialog* CreateDialogObject(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                                     const std::string& footnote, int buttonSet);
  virtual void BeforeWindowHook() {}
  virtual void EnterSystemBox();
  virtual void LeaveSystemBox();
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags);
  virtual void ShowErrorBox(const std::string& text);
  virtual void DeferDelete(Widget* widget);
  virtual void HideAndSilence();
  virtual void Shutdown();
  virtual void ReadCommandLine();
  virtual void SplitSwitches(const std::string& text);
  virtual void ApplySwitch(const std::string& name, const std::string& value);
  // The switches this program takes, one per line, for --help; programs add their own lines.
  virtual std::string SwitchHelp() const;
  virtual void Start();
  virtual void Init();
  virtual void BeforeDisplayInitHook() {}
  virtual void AfterDisplayInitHook() {}
  virtual bool WorkingDirHook(const std::string&) { return false; }
  virtual void PlayEffect(int id, int pan);
  virtual void PlayEffect(int id);
  virtual double GetMasterVolume();
  virtual double GetMusicVolume();
  virtual double GetSfxVolume();
  virtual bool IsMuted();
  virtual void SetMasterVolume(double volume);
  virtual void SetMusicVolume(double volume);
  virtual void SetSfxVolume(double volume);
  virtual void Mute(bool autoMute);
  virtual void Unmute(bool autoMute);
  virtual double LoaderProgress();
  std::unique_ptr<MemoryImage> CreateImageFromFile(const std::string& path, bool commitBits) override;
  SharedPictureRef AcquireSharedImage(const std::string& path, const std::string& variant, bool* isNew) override;
  virtual void ChangeScreenMode(bool wantWindowed, bool is3D, bool force);
  virtual void ChangeScreenMode(bool wantWindowed);
  virtual void ReinitDisplay();
  virtual Dialog* ShowDialog(int id, bool modal, const std::string& dialogTitle, const std::string& body,
                             const std::string& footnote, int buttonSet);
  Dialog* FindDialog(int id) override;
  virtual void RegisterDialog(Dialog* dialog);
  virtual void RegisterDialog(int id, Dialog* dialog);
  virtual bool CloseDialog(Dialog* dialog);
  bool CloseDialog(int id) override;
  virtual bool CloseDialog(int id, bool removeWidget, bool deleteWidget);
  virtual int CountDialogs();
  // Takes the dialog out of the registry (every id it is registered under), the widget tree, its
  // modal layer and the deferred deletions, without deleting it. A registered dialog's destructor
  // calls it.
  void ForgetDialog(Dialog* dialog) override;
  virtual void ModalShownHook() {}
  virtual void ModalHiddenHook() {}
  virtual void GotFocusHook() {}
  virtual void LostFocusHook() {}
  // A game controller plugged in or out (also those plugged in at start); pad is its number.
  virtual void PadAddedHook(int pad) { (void)pad; }
  virtual void PadRemovedHook(int pad) { (void)pad; }
  virtual bool SwallowsAltKey(char ch);
  virtual bool DeveloperKey(int) { return false; }
  virtual bool DeveloperKeyEx(int, bool, bool) { return false; }
  virtual void CloseRequestHook() {}
  virtual bool DrawIfDirty();
  virtual void Present(const Rect* rect);
  virtual void EarlyInitHook() {}
  virtual void RunLoop();
  bool StepLoop(bool* updated) override;
  virtual bool StepUntilUpdate();
  virtual bool CanRestore() { return !windowDisabled; }

  // ---- DialogListener: dialog buttons 1000 and 1001 become button ids +2000 and +3000.
  void OnDialogButtonPressed(int dialogId, int buttonId) override;
  void OnDialogButtonReleased(int dialogId, int buttonId) override;

  // ---- ResourceHost and WidgetHost
  ImageHost* GetImageHost() override { return &images; }
  void DiscardSharedImage(const std::string& path, const std::string& variant) override;
  SoundManager* GetSoundManager() override { return soundManager.get(); }

  // ---- Window messages (one window procedure for every message the window system delivers)
  // Filters and queues a message, or handles it at once; false when it was consumed unhandled.
  virtual void WindowProc(const WindowMessage& message);
  // Handles the oldest queued message; true when more are queued.
  virtual bool HandleQueuedMessage();
  // Takes every message the window system has and hands it to WindowProc.
  void PumpMessages();

  // ---- Other operations
  void CopyToClipboard(const std::string& text) override;
  std::string GetClipboardText() override;
  void SetCursorKind(int kind) override;
  void UseCustomCursors(bool enable);
  bool ReadResourceManifest();
  void ReportResourceError(bool exitAfter);
  std::string GetString(const std::string& id, const std::string& defaultText) override;
  void SetString(const std::string& id, const std::string& text);
  void ProcessDeferredDeletes();
  void ClearKeyState();
  // Ends the process with the code. Tests replace it (see fatalExitHandler).
  void FatalExit(int code);
  // When set, FatalExit calls it instead of ending the process (it must not return to the loop
  // expecting it to continue: tests throw from it).
  void (*fatalExitHandler)(int code) = nullptr;

  // Registry helpers over the settings file.
  bool StoreValue(const std::string& valueName, RegistryStore::Type type, const std::string& data);
  bool StoreText(const std::string& valueName, const std::string& text);
  bool StoreInt(const std::string& valueName, int value);
  bool StoreFlag(const std::string& valueName, bool value);
  bool FetchValue(const std::string& valueName, RegistryStore::Type& type, std::string& data);
  bool FetchText(const std::string& valueName, std::string& text);
  bool FetchInt(const std::string& valueName, int& value);
  bool FetchFlag(const std::string& valueName, bool& value);
  void EraseStoredValue(const std::string& valueName);

  // The command line as the program got it; ReadCommandLine (in Init) reads it.
  void SetCommandLine(int argc, const char* const* argv);
  // The window system in use (tests hand in a headless one before Init).
  void SetWindowSystem(std::unique_ptr<WindowSystem> system);
  DDImage* GetScreenImage();
  uint32_t Now();

 protected:
  void FocusUpdate();
  void ResetTiming();
  // Deletes every widget waiting for deferred deletion, whatever its depth (at destruction).
  void ProcessDeferredDeletesAll();
  void StartLoaderThread();
  static void LoaderThreadProc(OrvaAppBase* app);
  // Where the settings file lives for this registry key.
  std::string SettingsFilePath() const;
  void AdvanceTimeAccumulator();
  void ApplyVolumes();

  std::mutex loaderProgressLock_;
  std::condition_variable loaderProgress_;
  void WaitForLoaderProgress();
  std::thread loaderThread_;
  SingleInstanceLock instanceLock_;
  std::map<int, CursorHandle> customCursorHandles_;  // colour cursors made from customCursorImages
  uint32_t startTime_ = 0;
  uint32_t lastFpsTime_ = 0;
  int fastUpdateWindows_ = 0;
  int updatesSinceCheck_ = 0;
  uint32_t lastRateCheckTime_ = 0;
  bool queuedClose_ = false;
  bool minimizePending_ = false;

  // The loop's own bookkeeping (AppLoop.cpp): the time owed to updates, the draws it holds back
  // and what it measures of itself.
  struct LoopInternals {
    bool refreshUnreliable = false;
    double timeAccumulator = 0;
    uint32_t lastAccumulatorTime = 0;
    bool accumulatorStarted = false;
    double fractionalUpdates = 0;
    int updateDepth = 0;
    int nonDrawCount = 0;
    int catchUpSuppression = 0;
    int dirtyUpdateCount = 0;
    uint32_t drawTime = 0;
    uint32_t screenBltTime = 0;
    uint32_t lastDrawTime = 0;
    uint32_t nextAllowedDrawTime = 0;
    bool drawPending = true;
    bool lastDrawSkipped = false;
    bool drawingNow = false;
    // When the first frame was shown, in milliseconds after launch (ORVA_LOOP_STATS prints it).
    double firstFrameAfterMs = 0;
  };
  LoopInternals loop_;
};

}  // namespace Orva
