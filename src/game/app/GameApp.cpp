#include "game/app/GameApp.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/WindowSystem.h"
#include "framework/resources/ImageLib.h"
#include "framework/widgets/WidgetManager.h"
#include "game/board/Board.h"
#include "game/core/IniFile.h"
#include "game/core/Profile.h"
#include "game/core/ResourceIds.h"
#include "game/screens/EndlessScreen.h"
#include "game/screens/GameDialog.h"
#include "game/screens/GameMenu.h"
#include "game/screens/LoadingScreen.h"
#include "game/screens/MainMenu.h"
#include "game/screens/MyDlg.h"
#include "game/screens/StoryWidget.h"
#include "game/screens/WinnerWidget.h"

namespace Orva {

namespace {

constexpr int kLevelsPerArea = 5;
constexpr int kLevelCount = 30;

// A whole decimal number of at most 4 digits, nothing else.
bool ParseNumber(const std::string& text, int& out) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = value;
  return true;
}

}  // namespace

bool PlayRequest::Parse(const std::string& text, PlayRequest& out) {
  PlayRequest request;
  if (text == "endless") {
    request.kind = ENDLESS;
    out = request;
    return true;
  }
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string mode = text.substr(0, colon);
  const std::string rest = text.substr(colon + 1);
  if (mode == "story") {
    const size_t second = rest.find(':');
    if (second == std::string::npos) return false;
    if (!ParseNumber(rest.substr(0, second), request.level) || !ParseNumber(rest.substr(second + 1), request.stage))
      return false;
    request.kind = STORY;
  } else if (mode == "custom") {
    if (!ParseNumber(rest, request.level)) return false;
    request.kind = CUSTOM;
  } else {
    return false;
  }
  if (request.level < 1 || request.level > kLevelCount || request.stage < 1) return false;
  out = request;
  return true;
}

GameApp::GameApp() : mPauseWidget(this) {
  title = "Miro Vale";
  productName = "MiroVale";
  companyName = "Kvorn";
  productVersion = ORVA_PROJECT_VERSION;
  installedDataFolder = ORVA_INSTALLED_DATA;
  title = title + " - " + productVersion;
  registryKey = "Kvorn\\MiroVale";
  width = 640;
  height = 480;
  // The game plays its own audio and takes fractional updates.
  noSound = true;
  vsyncUpdates = true;
  autoAcceleration3D = true;
  singleInstance = true;
  fullScreenByModeChange = false;
  mSlide.distance = 640;
}

GameApp::~GameApp() {
  // The loading thread writes the effects and reads the resource manager: it ends first.
  Shutdown();
  if (loaderThread_.joinable()) loaderThread_.join();

  // Dialogs point at the screens and the board: they go first.
  while (!dialogs.empty()) CloseDialog(dialogs.begin()->first);
  ProcessDeferredDeletesAll();
  if (widgetManager) {
    for (Widget* screen : std::initializer_list<Widget*>{mMainMenu.get(), mStoryWidget.get(), mBoard.get(),
                                                         mLoadingScreen.get(), mWinnerWidget.get(), &mPauseWidget})
      if (screen && widgetManager->HasWidget(screen)) widgetManager->RemoveWidget(screen);
  }
  for (auto& screen : mScreens)
    if (screen->parent) screen->parent->RemoveWidget(screen.get());
  mScreens.clear();
  mLoadingScreen.reset();
  mWinnerWidget.reset();
  mMainMenu.reset();
  mStoryWidget.reset();
  if (resourceManager) resourceManager->UnloadGroup("");
  ClearResourceIds();
  mBoard.reset();
  particles_.reset();
  mLevelMusic.reset();
  mThemeMusic.reset();
  for (auto& sound : mSounds) sound.reset();
  mSoundDevice.reset();
}

std::string GameApp::SwitchHelp() const {
  return "  -play=story:LEVEL:STAGE | -play=custom:LEVEL | -play=endless\n"
         "                    start that game right after loading (the profile is not written)\n"
         "  -onestage         end the program when the first stage ends\n" +
         OrvaAppBase::SwitchHelp();
}

void GameApp::ApplySwitch(const std::string& name, const std::string& value) {
  if (name == "-play") {
    if (!PlayRequest::Parse(value, playRequest_)) {
      ShowErrorBox(GetString("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: ") + name + "=" + value +
                   " (use -play=story:LEVEL:STAGE, -play=custom:LEVEL or -play=endless)");
      // A malformed request is a failure: code 2, so scripts driving the game notice.
      FatalExit(2);
    }
    return;
  }
  if (name == "-onestage") {
    endAfterStage_ = true;
    return;
  }
  // Runs without a window (tests, bots) may run side by side and beside a player's game.
  if (name == "-headless") singleInstance = false;
  OrvaAppBase::ApplySwitch(name, value);
}

void GameApp::Init() {
  OrvaAppBase::Init();
  if (shutdown || !initialized) return;

  // The window's icon, from the game's own pictures (the launcher shows the same runes); a
  // headless run has no window to show it, so it is not read there.
  if (!headless) {
    if (std::unique_ptr<ImageLib::Image> icon = ImageLib::LoadImageFile("images/icon.png", false))
      windowSystem->SetWindowIcon(mainWindow, icon->bits.get(), icon->width, icon->height);
  }

  // The profile folder lives under the application data folder. Without it the game still runs;
  // the first profile write tells the player that progress is not saved.
  mProfiles.SetFolder(appDataFolder + "properties/users/");
  if (!appDataFolder.empty()) {
    std::error_code error;
    std::filesystem::create_directories(mProfiles.Folder(), error);
    if (error)
      std::fprintf(stderr, "%s: cannot create %s: %s\n", productName.c_str(), mProfiles.Folder().c_str(),
                   error.message().c_str());
  }

  // Without its texts the game still plays (every text reads "STRING"), but says why.
  if (std::string problem; !mStrings.Load("properties/strt.txt", &problem))
    std::fprintf(stderr, "%s: cannot read properties/strt.txt: %s\n", productName.c_str(), problem.c_str());

  mSoundDevice = OpenAudioDevice();
  if (!mSoundDevice) {
    loadingFailed_ = true;
    ReportLoadingFailure("Failed to init sound", false);
    return;
  }
  std::string musicError;
  mThemeMusic = OpenSound(mSoundDevice, "sound/theme0.ogg", true, &musicError);
  // The game plays on without its menu music, but says why.
  if (!mThemeMusic)
    std::fprintf(stderr, "%s: cannot play sound/theme0.ogg: %s\n", productName.c_str(), musicError.c_str());
  if (mThemeMusic) {
    // The design's volume of 30 lies past the top of the 0..1 scale: full volume.
    mThemeMusic->SetVolume(1.0f);
    mThemeMusic->SetRepeat(true);
  }

  if (!resourceManager->ReadManifest("properties/resources.xml") || !resourceManager->LoadGroup("Init") ||
      !BindInitResources(resourceManager.get())) {
    loadingFailed_ = true;
    ReportLoadingFailure(resourceManager->ErrorText(), true);
    return;
  }

  UseCustomCursors(true);
  customCursorImages[CURSOR_POINTER] = IMAGE_CUS_CURSOR;
  customCursorImages[CURSOR_HAND] = IMAGE_CUS_CURSOR;
  customCursorImages[CURSOR_DRAGGING] = IMAGE_CUS_CURSOR;
  RefreshCursor();

  if (!resourceManager->LoadGroup("LoadingScreen") || !BindLoadingScreenResources(resourceManager.get())) {
    loadingFailed_ = true;
    ReportLoadingFailure(resourceManager->ErrorText(), true);
    return;
  }

  mStoryWidget = std::make_unique<StoryWidget>(this);
  mBoard = std::make_unique<Board>(this);
  mBoard->SetActive(false);
  mScreenState = STATE_LOADING;

  mLoadingScreen = std::make_unique<LoadingScreen>(this);
  mLoadingScreen->Resize(0, 0, 640, 480);
  widgetManager->AddWidget(mLoadingScreen.get());

  loaderTaskCount = resourceManager->CountGroupEntries("Game") + kEffectCount;
}

void GameApp::LoaderThreadBody() {
  if (loadingFailed_) return;
  resourceManager->BeginGroupLoad("Game");
  while (resourceManager->LoadNextEntry()) {
    LoaderTaskDone();
    if (shutdown) return;
  }
  if (resourceManager->HasError() || !BindGameResources(resourceManager.get())) {
    FailLoading(resourceManager->ErrorText(), true);
    return;
  }
  for (int i = 0; i < kEffectCount; ++i) {
    std::string error;
    mSounds[size_t(i)] = OpenSound(mSoundDevice, std::string("sound/") + kEffectFiles[size_t(i)], false, &error);
    if (!mSounds[size_t(i)]) {
      FailLoading(std::string("Failed to load sound: ") + kEffectFiles[size_t(i)] + "\n" +
                      (error.empty() ? std::string("it could not be opened") : error),
                  false);
      return;
    }
    LoaderTaskDone();
    if (shutdown) return;
  }
}

void GameApp::FailLoading(const std::string& message, bool resourceError) {
  loaderMessage_ = message;
  loaderResourceError_ = resourceError;
  loadingFailed_ = true;
}

void GameApp::ReportLoadingFailure(const std::string& message, bool resourceError) {
  if (resourceError) {
    // Where the data was looked for, so that a player or packager can see what is missing where.
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    ShowErrorBox(message + "\n\nThe game's data was looked for in " + (error ? appDirectory : folder) +
                 " (main.pak, or the folders properties, images, fonts, sound and particles).");
  } else {
    ShowMessageBox(message, "Message", MB_OK);
  }
  // The message box waits for the player; nothing can run after it, so the program ends (with
  // exit code 1) rather than leaving an empty window open.
  Shutdown();
}

void GameApp::LoaderFinishedHook() {
  if (loadingFailed_) {
    // Shown here, on the main thread, rather than from the loading thread.
    if (!loaderMessage_.empty()) ReportLoadingFailure(loaderMessage_, loaderResourceError_);
    return;
  }
  LoadParticles();

  mSlide.Start(mLoadingScreen.get());
  mLoadingScreen->slide = &mSlide;
  mScreenState = STATE_MENU;
  // The menu is uncovered as the loading screen slides away in front of it.
  mMainMenu = std::make_unique<MainMenu>(this);
  mMainMenu->Resize(0, 0, 640, 480);
  widgetManager->AddWidget(mMainMenu.get());
  widgetManager->BringToBack(mMainMenu.get());
  widgetManager->BringToFront(mLoadingScreen.get());
  mProfiles.LoadLastUsed();
  StartRequestedGame();
}

void GameApp::LoadParticles() {
  particles_ = std::make_unique<ParticleTemplates>();
  std::string error;
  // A missing effect is reported and stays invisible; the game plays on.
  if (!particles_->Load(error)) std::fprintf(stderr, "%s: %s\n", productName.c_str(), error.c_str());
  mBoard->SetParticles(particles_->ForBoard());
  mStoryWidget->SetMarker(particles_->RedRadial());
}

void GameApp::StartRequestedGame() {
  const PlayRequest& request = playRequest_;
  if (request.kind == PlayRequest::NONE) return;
  // A stage picked on the command line is no progress of the player's.
  profileWritesOff_ = true;
  mMainMenu->visible = false;

  const int area = (request.level - 1) / kLevelsPerArea;  // 0..5
  const int stage = request.kind == PlayRequest::STORY ? request.stage : 1;
  if (request.kind != PlayRequest::ENDLESS && !mBoard->LoadStage(request.level, stage)) {
    ShowErrorBox("There is no stage " + std::to_string(stage) + " in level " + std::to_string(request.level));
    loadingFailed_ = true;
    Shutdown();
    return;
  }
  switch (request.kind) {
    case PlayRequest::CUSTOM: mBoard->StartCustomStage(request.level - 1, area); break;
    case PlayRequest::ENDLESS: mBoard->StartEndless(); break;
    default:
      mStoryWidget->mLevel = request.level;
      mStoryWidget->mStage = request.stage;
      mStoryWidget->mFirstBoss = 0;
      mStoryWidget->RecomputeAreas();
      mBoard->StartStoryStage(area + 1);
      break;
  }
  ShowBoard();
}

void GameApp::ShowBoard() {
  // No level map slides away in front of it: the board is shown and running at once.
  if (!widgetManager->HasWidget(mBoard.get())) widgetManager->AddWidget(mBoard.get());
  mBoard->Resize(0, 0, 640, 480);
  widgetManager->BringToBack(mBoard.get());
  PlayBoardInFront();
}

void GameApp::PlayBoardInFront() {
  widgetManager->SetFocus(mBoard.get());
  mBoard->SetActive(true);
  PauseIfInBackground();
}

void GameApp::PauseIfInBackground() {
  if (!hasFocus) LostFocusHook();
}

int GameApp::GetMapLevel() { return mStoryWidget ? mStoryWidget->mLevel : 1; }

int GameApp::GetMapStage() { return mStoryWidget ? mStoryWidget->mStage : 1; }

Widget* GameApp::AdoptScreen(std::unique_ptr<Widget> screen) {
  mScreens.push_back(std::move(screen));
  return mScreens.back().get();
}

void GameApp::ReleaseScreen(Widget* screen) {
  if (screen->parent) screen->parent->RemoveWidget(screen);
  for (auto it = mScreens.begin(); it != mScreens.end(); ++it) {
    if (it->get() != screen) continue;
    DeferDelete(it->release());
    mScreens.erase(it);
    return;
  }
}

void GameApp::ShowMainMenuBehind() {
  if (!mMainMenu) return;
  mMainMenu->visible = true;
  mMainMenu->Resize(0, 0, 640, 480);
  if (!widgetManager->HasWidget(mMainMenu.get())) widgetManager->AddWidget(mMainMenu.get());
  widgetManager->BringToBack(mMainMenu.get());
}

void GameApp::ShowMessage(const std::string& text, int* answerTo, bool twoButtons, int fallback) {
  auto* dialog = new YesNoDlg(answerTo, twoButtons, this, fallback);
  dialog->text = text;
  RegisterDialog(dialog);
}

std::string GameApp::CurrentProfilePath() const {
  return mProfileName.empty() ? std::string() : mProfiles.PathOf(mProfileName);
}

bool GameApp::WriteProfileKey(const std::string& key, const std::string& value) {
  if (mProfileName.empty() || profileWritesOff_) return true;
  std::string error;
  if (!IniFile::Write(CurrentProfilePath(), kProfileSection, key, value, &error)) {
    TellProfileWriteFailed(CurrentProfilePath(), error);
    return false;
  }
  profileWriteFailed_ = false;
  return true;
}

bool GameApp::WriteProfileKey(const std::string& key, long long value) {
  return WriteProfileKey(key, std::to_string(value));
}

void GameApp::TellProfileWriteFailed(const std::string& path, const std::string& reason) {
  std::fprintf(stderr, "%s: cannot write %s: %s\n", productName.c_str(), path.c_str(), reason.c_str());
  if (profileWriteFailed_) return;
  profileWriteFailed_ = true;
  ShowMessage("Your progress could not be saved.\nFile: " + path + "\nReason: " + reason);
}

void GameApp::LostFocusHook() {
  if (mScreenState == STATE_STAGE && mBoard) mBoard->SetPaused(true);
  if (mScreenState == STATE_LOADING) return;
  if (widgetManager->HasWidget(&mPauseWidget)) return;
  ShowPauseOverlay();
  StopThemeMusic();
  StopLevelMusic();
}

void GameApp::PadRemovedHook(int pad) {
  if (pad != widgetManager->lastPad) return;
  widgetManager->lastPad = -1;
  if (mScreenState == STATE_STAGE) LostFocusHook();
}

void GameApp::GotFocusHook() {
  // In a game the overlay stays until the player closes it.
  if (mScreenState == STATE_STAGE) return;
  if (widgetManager->HasWidget(&mPauseWidget)) {
    HidePauseOverlay();
    PlayThemeMusic();
  }
}

void GameApp::ShowPauseOverlay() {
  if (!widgetManager->HasWidget(&mPauseWidget)) widgetManager->AddWidget(&mPauseWidget);
  mPauseWidget.Resize(0, 0, 640, 480);
  widgetManager->BringToFront(&mPauseWidget);
}

void GameApp::HidePauseOverlay() {
  if (widgetManager->HasWidget(&mPauseWidget)) widgetManager->RemoveWidget(&mPauseWidget);
}

bool GameApp::OpenGameMenu(Board* board) {
  if (mSlide.active || board->gameMenu != nullptr) return false;
  auto* menu = new GameMenu(board, this);
  menu->Resize(200, 480, 250, 250);
  board->gameMenu = menu;
  RegisterDialog(menu);
  return true;
}

std::string GameApp::DescribeResult(const Board& board, int result) {
  const char* outcome = result == Board::END_WON ? "won" : result == Board::END_LOST ? "lost" : "ended";
  char line[256];
  std::snprintf(line, sizeof line, "stage result: %s level=%d stage=%d score=%d shots=%d largest=%d time=%d:%02d.%02d",
                outcome, board.level, board.stage, board.GetScore(), board.GetShots(), board.GetLargestGroup(),
                board.GetMinutes(), board.GetSeconds(), board.GetTicks());
  return line;
}

void GameApp::StageEnded(Board* board, int result, int x, int y, int w, int h) {
  // One line for the tools that drive the game.
  std::printf("%s\n", DescribeResult(*board, result).c_str());
  std::fflush(stdout);
  if (endAfterStage_) {
    Shutdown();
    return;
  }
  auto* dialog = new MyDlg(board, this);
  dialog->Resize(x, y, w, h);
  dialog->type = result;
  board->resultDialog = dialog;
  RegisterDialog(dialog);
}

std::unique_ptr<MemoryImage> GameApp::LoadPicture(const std::string& path) { return CreateImageFromFile(path, true); }

const std::string& GameApp::GetGameString(int index) { return mStrings.Get(index); }

}  // namespace Orva
