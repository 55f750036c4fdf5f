// The game application over the built game folder, headless: manual clock, scripted input and a
// silent audio device. Start-up and loading, the -play switch, focus and the pause overlay, and
// the game's music and effects.
#include <gtest/gtest.h>

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
#include "game/app/TestGameApp.h"
#include "game/board/Board.h"
#include "game/particles/ParticleSystem.h"
#include "support/TempFolder.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

class GameAppTest : public ::testing::Test {
 protected:
  // Most tests start on the first stage, as -play does; the screens' own start is the campaign
  // test's.
  std::unique_ptr<TestGameApp> MakeApp(const std::vector<std::string>& switches = {"-play=story:1:1"},
                                       bool noDevice = false) {
    auto app = std::make_unique<TestGameApp>(data_.Path().string(), switches, noDevice);
    app->Init();
    return app;
  }
  std::unique_ptr<TestGameApp> LoadedApp(const std::vector<std::string>& switches = {"-play=story:1:1"}) {
    auto app = MakeApp(switches);
    app->Load();
    return app;
  }

  Testing::TempFolder data_{"gameapp"};
  Testing::WorkingFolder working_{fs::path(ORVA_GAME_DIR)};
};

// --- Start-up and loading --------------------------------------------------------------------

TEST_F(GameAppTest, InitNamesTheWindowAndCountsOneTaskPerResourceAndEffect) {
  auto app = MakeApp();
  EXPECT_EQ(app->input->WindowTitle(), "Miro Vale - 1.0");
  EXPECT_EQ(app->registryKey, "Kvorn\\MiroVale");
  EXPECT_TRUE(fs::is_directory(data_.Path() / "properties" / "users"));
  ASSERT_TRUE(app->mThemeMusic);
  EXPECT_TRUE(app->mThemeMusic->GetRepeat());
  EXPECT_FALSE(app->mThemeMusic->IsPlaying());
  // Progress reaches its end only once the last effect has been opened.
  ResourceManager manifest(nullptr);
  ASSERT_TRUE(manifest.ReadManifest("properties/resources.xml"));
  EXPECT_GT(manifest.CountGroupEntries("Game"), 50);
  EXPECT_EQ(app->loaderTaskCount, manifest.CountGroupEntries("Game") + 18);
  EXPECT_EQ(app->mScreenState, GameApp::STATE_LOADING);
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
}

TEST_F(GameAppTest, LoadingEndsInTheFirstStoryStageWithTheParticleTemplatesReady) {
  auto app = LoadedApp();
  EXPECT_EQ(app->loaderTasksDone, app->loaderTaskCount);
  for (const OutputStreamPtr& sound : app->mSounds) EXPECT_TRUE(sound && !sound->IsStreamed());
  app->PlaySound(16);  // no event of a stage plays it
  EXPECT_TRUE(app->mSounds[16]->IsPlaying());
  Board* board = app->mBoard.get();
  EXPECT_EQ(app->mScreenState, GameApp::STATE_STAGE);
  EXPECT_EQ(app->widgetManager->focusWidget, board);
  EXPECT_TRUE(board->IsActive());
  EXPECT_EQ(board->mode, Board::MODE_STORY);
  EXPECT_EQ(board->level * 100 + board->stage, 101);
  EXPECT_TRUE(TestGameApp::Playing(app->mLevelMusic));
  EXPECT_FALSE(TestGameApp::Playing(app->mThemeMusic));

  ASSERT_NE(app->Templates(), nullptr);
  const BoardParticles t = app->Templates()->ForBoard();
  ParticleSystem* redRadial = app->Templates()->RedRadial();
  const struct {
    ParticleSystem* system;
    bool additive, smooth;
  } expected[] = {{t.flyrunsBubbles, true, true}, {t.bonus, true, true},       {t.exp, true, true},
                  {t.nextStage0, false, false},   {t.nextStage1, false, true}, {redRadial, true, false}};
  for (const auto& e : expected) {
    ASSERT_NE(e.system, nullptr);
    EXPECT_EQ(e.system->IsAdditive(), e.additive);
    EXPECT_EQ(e.system->IsSmoothSpawn(), e.smooth);
    EXPECT_FLOAT_EQ(e.system->GetFixedStep(), 1.0f / 30.0f);
    EXPECT_GT(e.system->Params().lifeMax, 0.0f);  // read from its file
  }
  EXPECT_EQ(redRadial->GetImage(), t.flyrunsBubbles->GetImage());
}

TEST_F(GameAppTest, AMissingEffectStopsLoadingWithItsNameAndStartsNoStage) {
  // A game folder of links to the built one, without "loose.ogg" (effect 14).
  Testing::TempFolder temp("gameapp_nosound");
  const fs::path game(ORVA_GAME_DIR), copy = temp / "game";
  fs::create_directories(copy / "sound");
  for (const char* folder : {"images", "fonts", "particles", "properties"})
    fs::create_directory_symlink(game / folder, copy / folder);
  for (const auto& entry : fs::directory_iterator(game / "sound"))
    if (entry.path().filename() != "loose.ogg")
      fs::create_symlink(entry.path(), copy / "sound" / entry.path().filename());
  Testing::WorkingFolder inCopy(copy);

  auto app = LoadedApp();
  // The name, then the reason the sound could not be opened.
  ASSERT_EQ(app->input->MessageBoxLog().size(), 1u);
  const std::string& message = app->input->MessageBoxLog()[0];
  EXPECT_EQ(message.rfind("Message: Failed to load sound: loose.ogg\n", 0), 0u) << message;
  EXPECT_GT(message.size(), std::string("Message: Failed to load sound: loose.ogg\n").size() + 5) << message;
  EXPECT_EQ(app->loaderTasksDone, app->loaderTaskCount - 4);
  EXPECT_EQ(app->mScreenState, GameApp::STATE_LOADING);
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
  // Headless nobody could close the message: the program ends, and says it failed.
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 1);
}

TEST_F(GameAppTest, WithoutAnAudioDeviceNothingIsLoaded) {
  auto app = MakeApp({}, true);
  EXPECT_EQ(app->input->MessageBoxLog(), std::vector<std::string>{"Message: Failed to init sound"});
  EXPECT_EQ(app->loaderTaskCount, 0);
  EXPECT_EQ(app->mBoard, nullptr);
  EXPECT_EQ(app->ExitCode(), 1);
  app->LoaderThreadBody();
  app->LoaderFinishedHook();
  EXPECT_EQ(app->loaderTasksDone, 0);
  EXPECT_EQ(app->input->MessageBoxLog().size(), 1u);
}

// --- The -play switch ------------------------------------------------------------------------

TEST_F(GameAppTest, PlayRequestsAreReadStrictly) {
  PlayRequest request;
  ASSERT_TRUE(PlayRequest::Parse("story:30:7", request));
  EXPECT_EQ(request.kind, PlayRequest::STORY);
  EXPECT_EQ(request.level * 100 + request.stage, 3007);
  ASSERT_TRUE(PlayRequest::Parse("custom:12", request));
  EXPECT_EQ(request.kind, PlayRequest::CUSTOM);
  EXPECT_EQ(request.level, 12);
  ASSERT_TRUE(PlayRequest::Parse("endless", request));
  EXPECT_EQ(request.kind, PlayRequest::ENDLESS);
  for (const char* text :
       {"story:31:1", "story:0:1", "story:1:0", "story:1", "story:1:2:3", "story:a:1", "story:-1:1", "story::1",
        "custom:0", "custom:", "custom:1:1", "endless:3", "Endless", "", "story:99999999999:1"}) {
    request.level = 77;
    EXPECT_FALSE(PlayRequest::Parse(text, request)) << text;
    EXPECT_EQ(request.level, 77) << text;  // left alone
  }
}

TEST_F(GameAppTest, BadPlayRequestsEndTheProgramAsFailures) {
  try {
    MakeApp({"-play=story:1"});
    ADD_FAILURE() << "a malformed request went on";
  } catch (const FatalExitCalled& exit) {
    EXPECT_EQ(exit.code, 2);
  }
  auto app = LoadedApp({"-play=story:30:99"});
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 1);
  EXPECT_FALSE(app->widgetManager->HasWidget(app->mBoard.get()));
}

TEST_F(GameAppTest, PlayStartsTheChosenGameRightAfterLoading) {
  auto story = LoadedApp({"-play=story:7:3", "-seed=5"});
  EXPECT_EQ(story->mBoard->level * 100 + story->mBoard->stage, 703);
  EXPECT_EQ(story->GetMapLevel() * 100 + story->GetMapStage(), 703);
  story.reset();
  auto custom = LoadedApp({"-play=custom:12"});
  EXPECT_EQ(custom->mBoard->mode, Board::MODE_CUSTOM);
  EXPECT_EQ(custom->mBoard->level, 12);
  EXPECT_TRUE(custom->mBoard->IsActive());
  custom.reset();
  auto endless = LoadedApp({"-play=endless"});
  EXPECT_EQ(endless->mBoard->mode, Board::MODE_ENDLESS);
  EXPECT_EQ(endless->mScreenState, GameApp::STATE_STAGE);
}

TEST_F(GameAppTest, TheEndOfAStageIsPrintedAsOneLineAndOneStageRunsEndThere) {
  // Without -onestage the result dialog takes over.
  auto dialog = LoadedApp({"-play=story:4:2"});
  ::testing::internal::CaptureStdout();
  dialog->StageEnded(dialog->mBoard.get(), Board::END_LOST, 140, 480, 243, 200);
  EXPECT_EQ(::testing::internal::GetCapturedStdout().rfind("stage result: lost level=4 stage=2", 0), 0u);
  EXPECT_FALSE(dialog->shutdown);
  EXPECT_NE(dialog->mBoard->resultDialog, nullptr);
  dialog.reset();

  auto app = LoadedApp({"-play=story:4:2", "-onestage"});
  ::testing::internal::CaptureStdout();
  app->StageEnded(app->mBoard.get(), Board::END_WON, 140, 480, 243, 300);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.rfind("stage result: won level=4 stage=2 score=0 shots=0 largest=0 time=0:", 0), 0u) << out;
  EXPECT_EQ(out.find('\n'), out.size() - 1);
  EXPECT_TRUE(app->shutdown);
  EXPECT_EQ(app->ExitCode(), 0);
  EXPECT_EQ(GameApp::DescribeResult(*app->mBoard, Board::END_LOST).rfind("stage result: lost ", 0), 0u);
  EXPECT_EQ(GameApp::DescribeResult(*app->mBoard, -1).rfind("stage result: ended ", 0), 0u);
}

// --- Focus and the pause overlay -------------------------------------------------------------

TEST_F(GameAppTest, LosingFocusWhileLoadingShowsNoOverlayButTheStageStartsPaused) {
  auto app = MakeApp();
  app->Focus(false);
  EXPECT_FALSE(app->OverlayShown());
  app->Load();
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_TRUE(app->mBoard->IsPaused());
  EXPECT_FALSE(TestGameApp::Playing(app->mLevelMusic));
}

TEST_F(GameAppTest, InAStageTheOverlayOutlivesRegainedFocusUntilClicked) {
  auto app = LoadedApp();
  Board* board = app->mBoard.get();
  app->Focus(false);
  EXPECT_TRUE(board->IsPaused());
  ASSERT_TRUE(app->OverlayShown());
  EXPECT_EQ(app->mPauseWidget.width * 1000 + app->mPauseWidget.height, 640480);
  EXPECT_FALSE(TestGameApp::Playing(app->mLevelMusic));
  app->Focus(true);
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_TRUE(board->IsPaused());

  app->Click();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_FALSE(board->IsPaused());
  EXPECT_TRUE(board->IsActive());
  EXPECT_TRUE(TestGameApp::Playing(app->mLevelMusic));
  EXPECT_FALSE(TestGameApp::Playing(app->mThemeMusic));

  // Under the game menu a click brings the music back, but play waits for the menu.
  Widget menu;
  board->gameMenu = &menu;
  board->SetActive(false);
  app->Focus(false);
  app->Click();
  EXPECT_FALSE(board->IsPaused());
  EXPECT_FALSE(board->IsActive());
  EXPECT_TRUE(TestGameApp::Playing(app->mLevelMusic));
  board->gameMenu = nullptr;
}

TEST_F(GameAppTest, OutsideAStageFocusStopsAndRestartsTheThemeWithTheOverlay) {
  auto app = LoadedApp();
  // As when a screen has gone back to the menus.
  app->mScreenState = GameApp::STATE_MENU;
  app->mBoard->SetActive(false);
  app->StopLevelMusic();
  app->PlayThemeMusic();
  app->Focus(false);
  EXPECT_TRUE(app->OverlayShown());
  EXPECT_FALSE(app->mBoard->IsPaused());
  EXPECT_FALSE(TestGameApp::Playing(app->mThemeMusic));
  app->Focus(true);
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_TRUE(TestGameApp::Playing(app->mThemeMusic));
  EXPECT_FALSE(TestGameApp::Playing(app->mLevelMusic));

  // A click on it in the menus only takes it away.
  app->Focus(false);
  app->Click();
  EXPECT_FALSE(app->OverlayShown());
  EXPECT_FALSE(app->mBoard->IsActive());
  EXPECT_FALSE(TestGameApp::Playing(app->mLevelMusic));
}

TEST_F(GameAppTest, TheOverlayHalvesTheScreenAndCentresItsTextOnce) {
  auto app = LoadedApp();
  while (app->mLoadingScreen) app->StepUntilUpdate();  // it slides away over the stage
  app->mBoard->SetActive(false);                       // a still picture under the overlay
  app->Drain(5);
  const uint32_t before = app->input->Frame()[2 * 640 + 2];
  app->ShowPauseOverlay();
  app->Drain(5);
  const uint32_t after = app->input->Frame()[2 * 640 + 2];
  for (int shift : {0, 8, 16}) EXPECT_NEAR(int((after >> shift) & 0xFF), int((before >> shift) & 0xFF) / 2, 2);
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
  for (bool paused : {true, false}) {
    app->input->QueueKeyDown(KEYCODE_ESCAPE);
    app->input->QueueKeyUp(KEYCODE_ESCAPE);
    app->Drain();
    EXPECT_EQ(board->IsPaused(), paused);
    EXPECT_EQ(app->OverlayShown(), paused);
    EXPECT_EQ(TestGameApp::Playing(app->mLevelMusic), !paused);
  }
}

// --- Music and effects -----------------------------------------------------------------------

TEST_F(GameAppTest, MissingMusicAndEffectsStaySilent) {
  auto app = MakeApp();
  app->PlayLevelMusic(-1);  // before any level music
  EXPECT_FALSE(app->mLevelMusic);
  app->StopLevelMusic();
  app->PlaySound(0);  // effects load later
  app->PlaySound(-1);
  app->PlaySound(18);
  app->SetEffectsVolume(0.5f);
  ::testing::internal::CaptureStderr();
  app->PlayLevelMusic(9);  // no such file: said, and the game plays on without music
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(app->mLevelMusic);
  EXPECT_NE(said.find("sound/level9.ogg"), std::string::npos) << said;
}

TEST_F(GameAppTest, GameMusicStartsAtTheThemesVolumeAndLoops) {
  auto app = MakeApp();
  app->mThemeMusic->SetVolume(0.25f);
  app->PlayLevelMusic(3);
  ASSERT_TRUE(TestGameApp::Playing(app->mLevelMusic));
  EXPECT_FLOAT_EQ(app->mLevelMusic->GetVolume(), 0.25f);
  EXPECT_TRUE(app->mLevelMusic->GetRepeat());
  // -1 restarts the same music, at the volume the theme has now; another number replaces it.
  const OutputStream* first = app->mLevelMusic.get();
  app->StopLevelMusic();
  app->mThemeMusic->SetVolume(0.75f);
  app->PlayLevelMusic(-1);
  EXPECT_EQ(app->mLevelMusic.get(), first);
  EXPECT_TRUE(first->IsPlaying());
  EXPECT_FLOAT_EQ(first->GetVolume(), 0.75f);
  app->PlayLevelMusic(1);
  EXPECT_NE(app->mLevelMusic.get(), first);
}

}  // namespace
}  // namespace Orva
