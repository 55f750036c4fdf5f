// The game application over the built game folder, headless: manual clock, scripted input and a
// silent audio device. Start-up and loading, the -play switch, focus and the pause overlay, and
// the game's music and effects.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/resourcemanager/ResourceManager.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/particles/ParticleSystem.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

struct FatalExitCalled : std::runtime_error {
  explicit FatalExitCalled(int exitCode) : std::runtime_error("fatal exit"), code(exitCode) {}
  int code;
};

class TestGameApp : public GameApp {
 public:
  TestGameApp(const std::string& dataFolder, const std::vector<std::string>& switches) {
    dataDirectory = dataFolder;
    startLoaderOnRun = false;
    fatalExitHandler = [](int code) { throw FatalExitCalled(code); };
    auto system = std::make_unique<HeadlessWindowSystem>();
    input = system.get();
    SetWindowSystem(std::move(system));
    std::vector<const char*> argv = {"mirovale", "-headless"};
    for (const std::string& s : switches) argv.push_back(s.c_str());
    SetCommandLine(int(argv.size()), argv.data());
  }

  // The fixture has already made the game folder the working folder.
  bool WorkingDirHook(const std::string&) override { return true; }
  AudioDevicePtr OpenAudioDevice() override { return noDevice ? nullptr : AudioDevice::OpenNull(); }

  // Runs the loading thread and the loop until the loop has seen it end.
  void Load() {
    StartLoaderThread();
    for (int i = 0; i < 10000000 && !loaded; ++i) StepUntilUpdate();
    ASSERT_TRUE(loaded);
  }
  // Loop steps until the scripted input is used up and handled, then a few updates more.
  void Drain(int updates = 3) {
    for (int i = 0; i < 1000 && (input->PendingMessages() > 0 || !deferredMessages.empty() || loopState == 0); ++i) {
      bool updated = false;
      StepLoop(&updated);
    }
    for (int i = 0; i < updates; ++i) StepUntilUpdate();
  }
  bool OverlayShown() { return widgetManager->HasWidget(&mPauseWidget); }
  bool Playing(const OutputStreamPtr& sound) { return sound && sound->IsPlaying(); }

  HeadlessWindowSystem* input = nullptr;
  bool noDevice = false;
};

class GameAppTest : public ::testing::Test {
 protected:
  std::unique_ptr<TestGameApp> MakeApp(const std::vector<std::string>& switches = {}, bool noDevice = false) {
    auto app = std::make_unique<TestGameApp>(data_.Path().string(), switches);
    app->noDevice = noDevice;
    app->Init();
    return app;
  }
  std::unique_ptr<TestGameApp> LoadedApp(const std::vector<std::string>& switches = {}) {
    auto app = MakeApp(switches);
    app->Load();
    return app;
  }

  Testing::TempFolder data_{"gameapp"};
  Testing::WorkingFolder working_{fs::path(ORVA_GAME_DIR)};
};

// --- Start-up and loading --------------------------------------------------------------------

TEST_F(GameAppTest, ConstructionNamesTheGameAndItsSettings) {
  GameApp app;
  EXPECT_EQ(app.title, "Miro Vale - 1.0");
  EXPECT_EQ(app.productVersion, "1.0");
  EXPECT_EQ(app.registryKey, "Kvorn\\MiroVale");
  EXPECT_TRUE(app.noSound);
  EXPECT_TRUE(app.vsyncUpdates);
  EXPECT_TRUE(app.autoAcceleration3D);
  EXPECT_TRUE(app.singleInstance);
  EXPECT_EQ(app.width, 640);
  EXPECT_EQ(app.height, 480);
  EXPECT_EQ(app.mScreenState, GameApp::STATE_LOADING);
  EXPECT_EQ(app.mSlide.distance, 640);
  EXPECT_FALSE(app.mSlide.active);
}

TEST_F(GameAppTest, InitPreparesTheWindowTheProfileFolderAndTheTaskCount) {
  auto app = MakeApp();
  EXPECT_EQ(app->input->WindowTitle(), "Miro Vale - 1.0");
  EXPECT_TRUE(fs::is_directory(data_.Path() / "properties" / "users"));
  EXPECT_EQ(app->GetGameString(70), "Paused - click to play on");
  // The theme is opened, looping, but not started.
  ASSERT_TRUE(app->mThemeMusic);
  EXPECT_TRUE(app->mThemeMusic->GetRepeat());
  EXPECT_FALSE(app->mThemeMusic->IsPlaying());
  EXPECT_TRUE(app->customCursorsEnabled);
  EXPECT_NE(app->customCursorImages[CURSOR_POINTER], nullptr);
  // One task per resource of "Game" and one per effect, so progress ends only with the last one.
  ResourceManager manifest(nullptr);
  ASSERT_TRUE(manifest.ReadManifest("properties/resources.xml"));
  const int gameEntries = manifest.CountGroupEntries("Game");
  EXPECT_GT(gameEntries, 50);
  EXPECT_EQ(app->loaderTaskCount, gameEntries + 18);
  EXPECT_EQ(app->mScreenState, GameApp::STATE_LOADING);
  ASSERT_NE(app->mBoard, nullptr);
  EXPECT_FALSE(app->mBoard->IsActive());
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
}

TEST_F(GameAppTest, LoadingCountsEveryTaskThenStartsTheFirstStoryStage) {
  auto app = LoadedApp();
  EXPECT_FALSE(app->LoadingFailed());
  EXPECT_EQ(app->loaderTasksDone, app->loaderTaskCount);
  EXPECT_DOUBLE_EQ(app->LoaderProgress(), 1.0);
  for (int i = 0; i < GameApp::kEffectCount; ++i) EXPECT_TRUE(app->mSounds[size_t(i)]) << i;

  // Without -play (until the main menu exists) story level 1, stage 1 starts on its own.
  Board* board = app->mBoard.get();
  EXPECT_EQ(app->mScreenState, GameApp::STATE_STAGE);
  EXPECT_TRUE(app->widgetManager->HasWidget(board));
  EXPECT_EQ(app->widgetManager->focusWidget, board);
  EXPECT_TRUE(board->IsActive());
  EXPECT_EQ(board->mode, Board::MODE_STORY);
  EXPECT_EQ(board->level, 1);
  EXPECT_EQ(board->stage, 1);
  EXPECT_EQ(board->width, 640);
  EXPECT_EQ(board->height, 480);
  EXPECT_TRUE(app->Playing(app->mLevelMusic));
  EXPECT_FALSE(app->Playing(app->mThemeMusic));
  EXPECT_EQ(app->ExitCode(), 0);
}

TEST_F(GameAppTest, TheParticleTemplatesCarryTheirFlagsAndStep) {
  auto app = LoadedApp();
  const GameApp::ParticleTemplates templates = app->Templates();
  struct Expected {
    ParticleSystem* system;
    bool additive;
    bool smooth;
  };
  const Expected expected[] = {
      {templates.flyrunsBubbles, true, true}, {templates.bonus, true, true},       {templates.exp, true, true},
      {templates.nextStage0, false, false},   {templates.nextStage1, false, true}, {templates.redRadial, true, false}};
  for (const Expected& e : expected) {
    ASSERT_NE(e.system, nullptr);
    EXPECT_EQ(e.system->IsAdditive(), e.additive);
    EXPECT_EQ(e.system->IsSmoothSpawn(), e.smooth);
    EXPECT_FLOAT_EQ(e.system->GetFixedStep(), 1.0f / 30.0f);
    EXPECT_NE(e.system->GetImage(), nullptr);
    EXPECT_GT(e.system->Params().lifeMax, 0.0f);  // read from its file
  }
  EXPECT_EQ(templates.redRadial->GetImage(), templates.flyrunsBubbles->GetImage());
}

// A copy of the game folder (links to its data) with one sound missing.
fs::path FolderWithoutSound(const Testing::TempFolder& temp, const std::string& missing) {
  const fs::path game(ORVA_GAME_DIR);
  const fs::path copy = temp / "game";
  fs::create_directories(copy / "sound");
  for (const char* folder : {"images", "fonts", "particles", "properties"})
    fs::create_directory_symlink(game / folder, copy / folder);
  for (const auto& entry : fs::directory_iterator(game / "sound"))
    if (entry.path().filename() != missing) fs::create_symlink(entry.path(), copy / "sound" / entry.path().filename());
  return copy;
}

TEST_F(GameAppTest, AMissingEffectStopsLoadingWithItsNameAndStartsNoStage) {
  Testing::TempFolder temp("gameapp_nosound");
  const fs::path folder = FolderWithoutSound(temp, "loose.ogg");
  Testing::WorkingFolder inCopy(folder);
  auto app = MakeApp();
  app->Load();
  EXPECT_TRUE(app->LoadingFailed());
  const auto& log = app->input->MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "Message: Failed to load sound: loose.ogg");
  // "loose.ogg" is effect 14: the 14 before it were opened and counted, the rest never were.
  EXPECT_EQ(app->loaderTasksDone, app->loaderTaskCount - 4);
  EXPECT_FALSE(app->mSounds[14]);
  EXPECT_EQ(app->mScreenState, GameApp::STATE_LOADING);
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
  // Headless nobody could close the message: the program ends, and says it failed.
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 1);
}

TEST_F(GameAppTest, WithoutAnAudioDeviceNothingIsLoaded) {
  auto app = MakeApp({}, true);
  EXPECT_TRUE(app->LoadingFailed());
  ASSERT_EQ(app->input->MessageBoxLog().size(), 1u);
  EXPECT_EQ(app->input->MessageBoxLog()[0], "Message: Failed to init sound");
  EXPECT_EQ(app->loaderTaskCount, 0);
  EXPECT_EQ(app->mBoard, nullptr);
  EXPECT_EQ(app->ExitCode(), 1);
  // Headless the program ends; a loading thread would load nothing and say nothing more.
  EXPECT_TRUE(app->shutdown);
  app->LoaderThreadBody();
  app->LoaderFinishedHook();
  EXPECT_EQ(app->loaderTasksDone, 0);
  EXPECT_EQ(app->input->MessageBoxLog().size(), 1u);
}

// --- The -play switch ------------------------------------------------------------------------

TEST_F(GameAppTest, PlayRequestsAreReadStrictly) {
  struct Case {
    const char* text;
    PlayRequest::Kind kind;
    int level, stage;
  };
  const Case valid[] = {{"story:1:1", PlayRequest::STORY, 1, 1},
                        {"story:30:7", PlayRequest::STORY, 30, 7},
                        {"custom:12", PlayRequest::CUSTOM, 12, 1},
                        {"endless", PlayRequest::ENDLESS, 1, 1}};
  for (const Case& c : valid) {
    PlayRequest request;
    ASSERT_TRUE(PlayRequest::Parse(c.text, request)) << c.text;
    EXPECT_EQ(request.kind, c.kind) << c.text;
    EXPECT_EQ(request.level, c.level) << c.text;
    EXPECT_EQ(request.stage, c.stage) << c.text;
  }
  const char* invalid[] = {"story:31:1", "story:0:1",  "story:1:0", "story:1",  "story:1:2:3",
                           "story:a:1",  "story:-1:1", "story::1",  "custom:0", "custom:",
                           "custom:1:1", "endless:3",  "Endless",   "",         "story:99999999999:1"};
  for (const char* text : invalid) {
    PlayRequest request;
    request.level = 77;
    EXPECT_FALSE(PlayRequest::Parse(text, request)) << text;
    EXPECT_EQ(request.level, 77) << text;  // left alone
  }
}

TEST_F(GameAppTest, AMalformedPlaySwitchEndsTheProgramAsAFailure) {
  try {
    MakeApp({"-play=story:1"});
    FAIL() << "the program went on";
  } catch (const FatalExitCalled& exit) {
    EXPECT_EQ(exit.code, 2);
  }
}

TEST_F(GameAppTest, PlayStartsTheChosenGameRightAfterLoading) {
  {
    auto app = LoadedApp({"-play=story:7:3", "-seed=5"});
    EXPECT_EQ(app->mBoard->mode, Board::MODE_STORY);
    EXPECT_EQ(app->mBoard->level, 7);
    EXPECT_EQ(app->mBoard->stage, 3);
    EXPECT_EQ(app->GetMapLevel(), 7);
    EXPECT_EQ(app->GetMapStage(), 3);
    EXPECT_EQ(app->mScreenState, GameApp::STATE_STAGE);
    EXPECT_TRUE(app->mBoard->IsActive());
  }
  {
    auto app = LoadedApp({"-play=custom:12"});
    EXPECT_EQ(app->mBoard->mode, Board::MODE_CUSTOM);
    EXPECT_EQ(app->mBoard->level, 12);
    EXPECT_EQ(app->mBoard->stage, 1);
    EXPECT_TRUE(app->widgetManager->HasWidget(app->mBoard.get()));
  }
  {
    auto app = LoadedApp({"-play=endless"});
    EXPECT_EQ(app->mBoard->mode, Board::MODE_ENDLESS);
    EXPECT_TRUE(app->mBoard->IsActive());
    EXPECT_TRUE(app->Playing(app->mLevelMusic));
  }
}

TEST_F(GameAppTest, AStageMissingFromTheLevelsEndsTheProgramAsAFailure) {
  auto app = LoadedApp({"-play=story:30:99"});
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 1);
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
}

TEST_F(GameAppTest, TheEndOfAStageIsPrintedAsOneLineAndEndsTheProgram) {
  auto app = LoadedApp({"-play=story:4:2"});
  Board* board = app->mBoard.get();
  EXPECT_EQ(GameApp::DescribeResult(*board, Board::END_LOST).rfind("stage result: lost level=4 stage=2 score=", 0), 0u);
  ::testing::internal::CaptureStdout();
  app->StageEnded(board, Board::END_WON, 0, 0, 0, 0);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("stage result: won level=4 stage=2 ", 0), 0u) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);
  EXPECT_NE(out.find(" time="), std::string::npos);
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 0);
  EXPECT_EQ(GameApp::DescribeResult(*board, -1).rfind("stage result: ended ", 0), 0u);
}

// --- Focus and the pause overlay -------------------------------------------------------------

TEST_F(GameAppTest, LosingFocusWhileLoadingShowsNoOverlay) {
  auto app = MakeApp();
  app->input->QueueMessage(MSG_ACTIVATEAPP, 0);
  app->Drain();
  EXPECT_FALSE(app->hasFocus);
  EXPECT_FALSE(app->OverlayShown());
}

TEST_F(GameAppTest, LosingFocusInAStagePausesItAndTheOverlayStaysUntilClicked) {
  auto app = LoadedApp();
  Board* board = app->mBoard.get();
  app->input->QueueMessage(MSG_ACTIVATEAPP, 0);
  app->Drain();
  EXPECT_TRUE(board->IsPaused());
  ASSERT_TRUE(app->OverlayShown());
  EXPECT_EQ(app->mPauseWidget.width, 640);
  EXPECT_EQ(app->mPauseWidget.height, 480);
  EXPECT_FALSE(app->Playing(app->mLevelMusic));

  app->input->QueueMessage(MSG_ACTIVATEAPP, 1);
  app->Drain();
  EXPECT_TRUE(app->hasFocus);
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_TRUE(board->IsPaused());
  EXPECT_FALSE(app->Playing(app->mLevelMusic));

  // A click anywhere on it resumes the stage and its music.
  app->input->QueueMouseDown(100, 400);
  app->input->QueueMouseUp(100, 400);
  app->Drain();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_FALSE(board->IsPaused());
  EXPECT_TRUE(board->IsActive());
  EXPECT_TRUE(app->Playing(app->mLevelMusic));
  EXPECT_FALSE(app->Playing(app->mThemeMusic));
}

TEST_F(GameAppTest, UnderTheGameMenuAClickResumesTheMusicButNotThePlay) {
  auto app = LoadedApp();
  Board* board = app->mBoard.get();
  Widget menu;  // stands for the game menu the board opened
  board->gameMenu = &menu;
  board->SetActive(false);
  app->input->QueueMessage(MSG_ACTIVATEAPP, 0);
  app->input->QueueMessage(MSG_ACTIVATEAPP, 1);
  app->input->QueueMouseDown(10, 10);
  app->input->QueueMouseUp(10, 10);
  app->Drain();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_FALSE(board->IsPaused());
  EXPECT_FALSE(board->IsActive());  // the menu resumes play when it closes
  EXPECT_TRUE(app->Playing(app->mLevelMusic));
  board->gameMenu = nullptr;
}

TEST_F(GameAppTest, OutsideAStageFocusLossStopsTheMusicAndRegainingRemovesTheOverlay) {
  auto app = LoadedApp();
  // As when a screen has gone back to the menus.
  app->mScreenState = GameApp::STATE_MENU;
  app->mBoard->SetActive(false);
  app->StopLevelMusic();
  app->PlayThemeMusic();
  app->input->QueueMessage(MSG_ACTIVATEAPP, 0);
  app->Drain();
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_FALSE(app->mBoard->IsPaused());
  EXPECT_FALSE(app->Playing(app->mThemeMusic));
  EXPECT_FALSE(app->Playing(app->mLevelMusic));

  app->input->QueueMessage(MSG_ACTIVATEAPP, 1);
  app->Drain();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_TRUE(app->Playing(app->mThemeMusic));
  EXPECT_FALSE(app->Playing(app->mLevelMusic));

  // A click on the overlay in the menus only takes the overlay away.
  app->input->QueueMessage(MSG_ACTIVATEAPP, 0);
  app->input->QueueMouseDown(10, 10);
  app->input->QueueMouseUp(10, 10);
  app->Drain();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_FALSE(app->mBoard->IsActive());
  EXPECT_FALSE(app->Playing(app->mLevelMusic));
}

TEST_F(GameAppTest, TheOverlayDarkensTheScreenAndCentresItsTextOnce) {
  auto app = LoadedApp();
  // A still picture under the overlay.
  app->mBoard->SetActive(false);
  app->mBoard->SetPaused(true);
  app->Drain(5);
  const auto pixel = [&](int x, int y) { return app->input->Frame()[size_t(y * 640 + x)]; };
  const uint32_t before = pixel(2, 2);
  app->ShowPauseOverlay();
  app->Drain(5);
  const uint32_t after = pixel(2, 2);
  // Black at alpha 128 over each channel c leaves about c / 2.
  for (int shift : {0, 8, 16}) {
    const int was = int((before >> shift) & 0xFF);
    const int now = int((after >> shift) & 0xFF);
    EXPECT_NEAR(now, was / 2, 2) << shift;
  }
  const int x = app->mPauseWidget.TextX();
  EXPECT_GT(x, 0);
  EXPECT_LT(x, 320);
  app->HidePauseOverlay();
  app->ShowPauseOverlay();
  app->Drain(2);
  EXPECT_EQ(app->mPauseWidget.TextX(), x);
}

TEST_F(GameAppTest, EscapeOnTheBoardPausesAndResumesWithTheMusic) {
  auto app = LoadedApp();
  Board* board = app->mBoard.get();
  // Keys wait for the initial fill of the field.
  for (int i = 0; i < 2000 && board->IsInputLocked(); ++i) app->StepUntilUpdate();
  ASSERT_FALSE(board->IsInputLocked());
  ASSERT_TRUE(app->Playing(app->mLevelMusic));
  app->input->QueueKeyDown(KEYCODE_ESCAPE);
  app->input->QueueKeyUp(KEYCODE_ESCAPE);
  app->Drain();
  EXPECT_TRUE(board->IsPaused());
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_FALSE(app->Playing(app->mLevelMusic));

  app->input->QueueKeyDown(KEYCODE_ESCAPE);
  app->input->QueueKeyUp(KEYCODE_ESCAPE);
  app->Drain();
  EXPECT_FALSE(board->IsPaused());
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_TRUE(app->Playing(app->mLevelMusic));
}

// --- Music and effects -----------------------------------------------------------------------

TEST_F(GameAppTest, RestartingLevelMusicBeforeAnyWasOpenedDoesNothing) {
  auto app = MakeApp();
  app->PlayLevelMusic(-1);
  EXPECT_FALSE(app->mLevelMusic);
  app->StopLevelMusic();
  // Effects that never loaded, and numbers outside the table, stay silent.
  app->PlaySound(0);
  app->PlaySound(-1);
  app->PlaySound(18);
  app->SetEffectsVolume(0.5f);
  // A music number with no file leaves no music.
  app->PlayLevelMusic(9);
  EXPECT_FALSE(app->mLevelMusic);
}

TEST_F(GameAppTest, GameMusicStartsAtTheThemesVolumeAndLoops) {
  auto app = MakeApp();
  app->mThemeMusic->SetVolume(0.25f);
  app->PlayLevelMusic(3);
  ASSERT_TRUE(app->mLevelMusic);
  EXPECT_FLOAT_EQ(app->mLevelMusic->GetVolume(), 0.25f);
  EXPECT_TRUE(app->mLevelMusic->GetRepeat());
  EXPECT_TRUE(app->mLevelMusic->IsStreamed());
  EXPECT_TRUE(app->mLevelMusic->IsPlaying());

  // -1 restarts the same music, at the volume the theme has now.
  const OutputStream* first = app->mLevelMusic.get();
  app->StopLevelMusic();
  app->mThemeMusic->SetVolume(0.75f);
  app->PlayLevelMusic(-1);
  EXPECT_EQ(app->mLevelMusic.get(), first);
  EXPECT_TRUE(app->mLevelMusic->IsPlaying());
  EXPECT_FLOAT_EQ(app->mLevelMusic->GetVolume(), 0.75f);

  // Another number replaces it.
  app->PlayLevelMusic(1);
  EXPECT_NE(app->mLevelMusic.get(), first);
}

TEST_F(GameAppTest, EffectsAreBufferedAndShareOneVolume) {
  auto app = LoadedApp();
  app->SetEffectsVolume(0.4f);
  for (const OutputStreamPtr& sound : app->mSounds) {
    ASSERT_TRUE(sound);
    EXPECT_FALSE(sound->IsStreamed());
    EXPECT_FLOAT_EQ(sound->GetVolume(), 0.4f);
  }
  app->PlaySound(2);
  EXPECT_TRUE(app->mSounds[2]->IsPlaying());
  EXPECT_FALSE(app->mSounds[3]->IsPlaying());
}

}  // namespace
}  // namespace Orva
