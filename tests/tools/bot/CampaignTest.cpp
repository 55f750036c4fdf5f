// The campaign through the game's real loop, headless, from an empty data folder: the loading
// screen, the name prompt, the map with its guardian, stages played by scripted input and the
// stage bot, the result dialog's follow-ups, the winner screen, and profiles that are damaged or
// cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/TestGameApp.h"
#include "game/board/Board.h"
#include "game/core/IniFile.h"
#include "game/core/Profile.h"
#include "game/screens/BossDlg.h"
#include "game/screens/Credits.h"
#include "game/screens/CustomGWidget.h"
#include "game/screens/EndlessScreen.h"
#include "game/screens/EnterValDlg.h"
#include "game/screens/GameMenu.h"
#include "game/screens/HelpWidget.h"
#include "game/screens/LoadingScreen.h"
#include "game/screens/MainMenu.h"
#include "game/screens/MyDlg.h"
#include "game/screens/ProfilesDlg.h"
#include "game/screens/SettingsDlg.h"
#include "game/screens/StoryWidget.h"
#include "game/screens/WinnerWidget.h"
#include "support/TempFolder.h"
#include "tools/bot/CampaignDriver.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

class CampaignTest : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> switches = {}) {
    switches.push_back("-seed=3");
    app_ = std::make_unique<TestGameApp>(data_.Path().string(), switches, false);
    app_->Init();
    ASSERT_FALSE(app_->LoadingFailed());
    driver_ = std::make_unique<CampaignDriver>(*app_, *app_->input, CampaignDriver::Options{"Rona", 3, 15});
  }

  // Loop updates without a hand on the game.
  template <typename Condition>
  bool RunUntil(Condition condition, int limit = 20000) {
    for (int i = 0; i < limit; ++i) {
      if (condition()) return true;
      if (!app_->StepUntilUpdate()) break;
    }
    return condition();
  }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) app_->StepUntilUpdate();
  }
  void ClickAndSettle(Widget* widget) {
    driver_->Click(widget);
    app_->Drain(2);
  }
  // The dialog in front, when it is one of this kind.
  template <typename T>
  T* Front() {
    return app_->dialogOrder.empty() ? nullptr : dynamic_cast<T*>(app_->dialogOrder.back());
  }
  template <typename T>
  bool WaitForDialog() {
    return RunUntil([&] {
      T* dialog = Front<T>();
      return dialog && !dialog->Slide().active;
    });
  }
  ButtonWidget* DialogButton(Dialog* dialog, int id) {
    for (Widget* child : dialog->children)
      if (auto* button = dynamic_cast<ButtonWidget*>(child); button && button->id == id) return button;
    return nullptr;
  }
  void EnterName(const std::string& name) {
    auto* entry = Front<EnterValDlg>();
    ASSERT_NE(entry, nullptr);
    entry->Edit()->SetText("");
    driver_->Type(name);
    app_->input->QueueKeyDown(KEYCODE_RETURN);
    app_->Drain(2);
  }
  std::string ProfileKey(const std::string& name, const std::string& key) {
    return IniFile::Read((data_.Path() / "properties/users" / name).string(), "DATA", key, "absent");
  }
  void WriteProfile(const std::string& name, const std::string& text) {
    ASSERT_TRUE(data_.Write("properties/users/" + name, text));
  }
  // Takes the player from the main menu to the map, past a guardian's introduction if one comes.
  void OpenMapPastTheGuardian() {
    ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->mMainMenu && app_->mMainMenu->visible; }));
    ClickAndSettle(app_->mMainMenu->Button(MainMenu::STORY));
    ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active; }));
    Updates(2);
    if (Front<BossDlg>() != nullptr) {
      ASSERT_TRUE(WaitForDialog<BossDlg>());
      ClickAndSettle(DialogButton(Front<BossDlg>(), BossDlg::kOk));
    }
    ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  }
  // Clears the field: the stage is swept and won.
  void WinTheStage() {
    Board& board = *app_->mBoard;
    ASSERT_TRUE(RunUntil([&] { return !board.IsFilling() && board.IsActive(); }));
    for (int row = 0; row < Board::kRows; ++row)
      for (int column = 0; column < Board::kColumns; ++column) board.SetCell(row, column, -1);
    board.mRowsLeft = 0;
  }
  // Hangs a column down to the carriage: the next row loses the stage.
  void LoseTheStage() {
    Board& board = *app_->mBoard;
    ASSERT_TRUE(RunUntil([&] { return !board.IsFilling() && board.IsActive(); }));
    for (int row = 1; row <= 13; ++row) board.SetCell(row, 0, 5 - row % 3);
  }

  Testing::TempFolder data_{"campaign"};
  Testing::WorkingFolder working_{fs::path(ORVA_GAME_DIR)};
  std::unique_ptr<TestGameApp> app_;
  std::unique_ptr<CampaignDriver> driver_;
};

TEST_F(CampaignTest, FirstStartNameMapGuardianAWonStageAndALostCampaign) {
  Start();
  LoadingScreen* loading = app_->mLoadingScreen.get();
  ASSERT_NE(loading, nullptr);
  EXPECT_TRUE(app_->widgetManager->HasWidget(loading));
  app_->Load();

  // The bar is drawn full before the screen slides away over the main menu.
  ASSERT_TRUE(RunUntil([&] { return app_->mSlide.active && app_->mSlide.distance < 640; }));
  EXPECT_EQ(loading->ProgressWidth(), LoadingScreen::kBarWidth);
  ASSERT_TRUE(RunUntil([&] { return app_->mLoadingScreen == nullptr; }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);
  // A click on Story just before the prompt opens leads nowhere: the name comes first.
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::STORY));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);
  EXPECT_FALSE(app_->mSlide.active);

  // No profile: the name is asked for, and the entry has no cancel button.
  ASSERT_TRUE(WaitForDialog<EnterValDlg>());
  EnterValDlg* entry = Front<EnterValDlg>();
  EXPECT_EQ(DialogButton(entry, EnterValDlg::kCancel), nullptr);
  app_->input->QueueKeyDown(KEYCODE_ESCAPE);
  ClickAndSettle(DialogButton(entry, EnterValDlg::kOk));  // empty: refused with a message
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));
  ASSERT_EQ(Front<EnterValDlg>(), entry);

  // A name with a dot is refused and asked for again.
  EnterName("Ro.na");
  ASSERT_TRUE(RunUntil([&] { return Front<YesNoDlg>() != nullptr; }));
  EXPECT_EQ(Front<YesNoDlg>()->text, kNameWithDotsMessage);
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));
  ASSERT_TRUE(WaitForDialog<EnterValDlg>());
  EXPECT_TRUE(app_->mProfiles.Names().empty());
  EnterName("Rona");
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));

  // The new profile is current and holds exactly the keys of a new profile.
  EXPECT_EQ(app_->mProfileName, "Rona");
  IniFile file((data_.Path() / "properties/users/Rona").string());
  ASSERT_TRUE(file.Load());
  EXPECT_EQ(file.KeyNames("DATA"),
            (std::vector<std::string>{"FULLSCR", "MUSIC", "SOUND", "LEVEL", "STAGE", "FB", "LIVES", "TOTALSCORE",
                                      "GAMEPASSED", "ENDLSPEED", "ENDLMIN", "ENDLSEC", "ENDLCHAIN", "LS"}));
  // The name was entered with the keyboard, so the menu shows its focus, and the focused button's
  // hint; with the mouse in hand again the balloon welcomes the player.
  EXPECT_EQ(app_->mMainMenu->HoveredButton(), MainMenu::STORY);
  app_->input->QueueMouseMove(20, 20);
  app_->Drain(1);
  EXPECT_NE(app_->mMainMenu->BalloonText().find("Rona!"), std::string::npos);

  // The map introduces the first guardian at once and remembers it has.
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::STORY));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MAP);
  ASSERT_TRUE(WaitForDialog<BossDlg>());
  EXPECT_EQ(Front<BossDlg>()->Area(), 0);
  EXPECT_EQ(ProfileKey("Rona", "FB"), "0");
  ClickAndSettle(DialogButton(Front<BossDlg>(), BossDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  EXPECT_EQ(app_->mStoryWidget->blinkCounter, 0);

  // Play: the map slides away over the first stage, which is won.
  StoryWidget* map = app_->mStoryWidget.get();
  ClickAndSettle(map->Button(StoryWidget::PLAY));
  Board& board = *app_->mBoard;
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_STAGE);
  ASSERT_TRUE(RunUntil([&] { return board.IsActive(); }));
  EXPECT_FALSE(map->visible);
  EXPECT_EQ(board.level * 100 + board.stage, 101);
  WinTheStage();
  ASSERT_TRUE(WaitForDialog<MyDlg>());
  MyDlg* result = Front<MyDlg>();
  EXPECT_TRUE(result->ShowsWinTitle());
  const int score = board.GetScore();
  EXPECT_GT(score, 0);
  EXPECT_NE(result->Statistics().find("Time: 00:"), std::string::npos) << result->Statistics();
  ClickAndSettle(DialogButton(result, MyDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  EXPECT_EQ(board.level * 100 + board.stage, 102);
  EXPECT_TRUE(board.IsActive());
  EXPECT_EQ(ProfileKey("Rona", "STAGE"), "2");
  EXPECT_EQ(ProfileKey("Rona", "TOTALSCORE"), std::to_string(score));

  // The second stage is won by the stage bot through the board's own input.
  ASSERT_TRUE(driver_->RunUntil([&] { return !driver_->Results().empty(); }, 100 * 60 * 30));
  EXPECT_EQ(driver_->Results()[0].stage, 2);
  EXPECT_EQ(driver_->Results()[0].result, MyDlg::STAGE_WON);
  // That was the level's last stage: the field slides away to the map, which blinks level 2.
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && !board.IsSlidingOut(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MAP);
  EXPECT_EQ(map->mLevel * 100 + map->mStage, 201);
  EXPECT_EQ(ProfileKey("Rona", "LEVEL"), "2");
  EXPECT_GE(map->blinkCounter, 0);

  // With one life left, losing it sends the player back to level 1 with 3.
  ClickAndSettle(map->Button(StoryWidget::PLAY));
  app_->mLives = 1;
  board.SetLifeCount(1);
  LoseTheStage();
  ASSERT_TRUE(WaitForDialog<MyDlg>());
  EXPECT_EQ(Front<MyDlg>()->Title(), app_->GetGameString(78));
  ClickAndSettle(DialogButton(Front<MyDlg>(), MyDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return !board.IsSlidingOut() && app_->dialogOrder.empty(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MAP);
  EXPECT_TRUE(map->visible);
  EXPECT_FALSE(app_->widgetManager->HasWidget(&board));
  EXPECT_EQ(map->mLevel * 100 + map->mStage, 101);
  EXPECT_EQ(app_->mLives, 3);
  EXPECT_EQ(ProfileKey("Rona", "LEVEL"), "1");
  EXPECT_EQ(ProfileKey("Rona", "STAGE"), "1");
  EXPECT_EQ(ProfileKey("Rona", "LIVES"), "3");
  EXPECT_EQ(ProfileKey("Rona", "TOTALSCORE"), "0");
  EXPECT_TRUE(TestGameApp::Playing(app_->mThemeMusic));
}

TEST_F(CampaignTest, TheLastStageOfLevelThirtyEndsAtTheWinnerScreen) {
  WriteProfile("Vela", "[DATA]\nLEVEL=30\nSTAGE=99\nLIVES=2\nTOTALSCORE=123456\nLS=250000\n");
  Start();
  app_->Load();
  EXPECT_EQ(app_->mProfileName, "Vela");
  StoryWidget* map = app_->mStoryWidget.get();
  // A stage past the level's last is the level's last.
  EXPECT_EQ(map->mStage, app_->mBoard->stageCount);
  OpenMapPastTheGuardian();
  EXPECT_EQ(map->mAreas, (std::array<int, 6>{0, 1, 2, 3, 4, 5}));
  ClickAndSettle(map->Button(StoryWidget::PLAY));
  WinTheStage();
  ASSERT_TRUE(WaitForDialog<MyDlg>());
  ClickAndSettle(DialogButton(Front<MyDlg>(), MyDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->mWinnerWidget && !app_->mBoard->IsSlidingOut(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_LAST_RESULT);
  EXPECT_EQ(ProfileKey("Vela", "GAMEPASSED"), "1");
  EXPECT_EQ(ProfileKey("Vela", "LEVEL"), "1");
  EXPECT_EQ(ProfileKey("Vela", "STAGE"), "1");
  EXPECT_EQ(ProfileKey("Vela", "LIVES"), "3");
  EXPECT_EQ(ProfileKey("Vela", "TOTALSCORE"), "0");

  ClickAndSettle(app_->mWinnerWidget->Button());
  ASSERT_TRUE(RunUntil([&] { return app_->mWinnerWidget == nullptr; }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);
  EXPECT_TRUE(app_->mMainMenu->visible);
  EXPECT_EQ(app_->mMainMenu->x, 0);
}

TEST_F(CampaignTest, DamagedProfilesLoadPlayableAndUnwritableOnesAreToldOnce) {
  const std::string huge = "[DATA]\nLEVEL=7\n" + std::string(size_t(IniFile::kMaxFileSize), 'x');
  const struct {
    const char* name;
    std::string text;
    int level, stage, lives;
  } cases[] = {
      {"Empty", "", 1, 1, 3},
      {"Binary", std::string("\0\xff\x01[DATA]\x02\nLEVEL=\x80", 18), 1, 1, 3},
      {"Huge", huge, 1, 1, 3},
      {"Low", "[DATA]\nLEVEL=0\nSTAGE=-4\nLIVES=-2\nTOTALSCORE=-9\n", 1, 1, 3},
      {"High", "[DATA]\nLEVEL=999\nSTAGE=999\nLIVES=77\nMUSIC=9\nSOUND=nan\n", 30, 0, 5},
      {"Words", "[DATA]\nLEVEL=four\nSTAGE=two\nLIVES=many\nFB=yes\n", 1, 1, 3},
  };
  for (const auto& c : cases) WriteProfile(c.name, c.text);
  Start();
  app_->Load();
  ASSERT_EQ(app_->mProfiles.Count(), 6);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    app_->mProfiles.Load(c.name);
    const StoryWidget& map = *app_->mStoryWidget;
    EXPECT_EQ(map.mLevel, c.level);
    EXPECT_EQ(map.mStage, c.stage == 0 ? app_->mBoard->stageCount : c.stage);
    EXPECT_EQ(app_->mLives, c.lives);
    EXPECT_GE(app_->mTotalScore, 0);
    EXPECT_TRUE(app_->mBoard->LoadStage(-1, -1));
  }

  // A profile that cannot be written: the player is told once, naming the file, and plays on.
  app_->mProfileName = "Words";
  const fs::path users = data_.Path() / "properties/users";
  fs::remove(users / "Words");
  fs::create_directories(users / "Words" / "blocker");  // a folder where the file should be
  OpenMapPastTheGuardian();
  EXPECT_FALSE(app_->WriteProfileKey("LEVEL", "2"));
  auto* message = Front<YesNoDlg>();
  ASSERT_NE(message, nullptr);
  EXPECT_NE(message->text.find((users / "Words").string()), std::string::npos) << message->text;
  ClickAndSettle(DialogButton(message, YesNoDlg::kYes));
  EXPECT_FALSE(app_->WriteProfileKey("STAGE", "2"));
  EXPECT_EQ(Front<YesNoDlg>(), nullptr);
  ClickAndSettle(app_->mStoryWidget->Button(StoryWidget::PLAY));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_STAGE);
}

TEST_F(CampaignTest, ProfileNamesStayFilesOfTheFolderAndRenamesNeverOverwrite) {
  for (const char* bad : {"a/b", "..", ".hidden", "x\\y", "tab\there", "   ", ""})
    EXPECT_FALSE(ProfileNameProblem(bad).empty()) << bad;
  EXPECT_TRUE(ProfileNameProblem("Old Oak 7").empty());

  WriteProfile("Ann", "[DATA]\nLEVEL=9\n");
  WriteProfile("Bo", "[DATA]\nLEVEL=3\n");
  WriteProfile("notes.txt", "[DATA]\n");
  Start();
  app_->Load();
  EXPECT_EQ(app_->mProfiles.Names(), (std::list<std::string>{"Ann", "Bo"}));
  EXPECT_FALSE(app_->mProfiles.Rename("Ann", "Bo"));
  EXPECT_FALSE(app_->mProfiles.Rename("Ann", "../Ann"));
  EXPECT_EQ(ProfileKey("Bo", "LEVEL"), "3");
  EXPECT_TRUE(app_->mProfiles.Rename("Ann", "Cy"));
  EXPECT_EQ(ProfileKey("Cy", "LEVEL"), "9");
  EXPECT_EQ(app_->mProfiles.Names(), (std::list<std::string>{"Cy", "Bo"}));
}

TEST_F(CampaignTest, TheGameMenuStopsPlayAsksBeforeRestartingAndLeavesForTheMainMenu) {
  WriteProfile("Ann", "[DATA]\nLEVEL=3\nSTAGE=2\nFB=0\n");
  Start();
  app_->Load();
  OpenMapPastTheGuardian();
  ClickAndSettle(app_->mStoryWidget->Button(StoryWidget::PLAY));
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return board.IsActive() && !board.IsFilling(); }));
  Updates(300);

  // The menu button stops play under the menu.
  ClickAndSettle(board.children.back());
  ASSERT_TRUE(WaitForDialog<GameMenu>());
  GameMenu* menu = Front<GameMenu>();
  EXPECT_FALSE(board.IsActive());
  const int clock = board.GetSeconds();
  Updates(200);
  EXPECT_EQ(board.GetSeconds(), clock);

  // No to the restart question leaves the menu open; yes restarts the stage and plays on.
  ClickAndSettle(menu->Button(GameMenu::RESTART));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kNo));
  Updates(50);
  EXPECT_EQ(Front<GameMenu>(), menu);
  ClickAndSettle(menu->Button(GameMenu::RESTART));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  EXPECT_TRUE(board.IsActive());
  EXPECT_TRUE(board.IsFilling());
  EXPECT_EQ(board.gameMenu, nullptr);

  // Leaving: no keeps the menu open; yes slides the field away over the main menu, and the
  // campaign is where it was.
  ClickAndSettle(board.children.back());
  ASSERT_TRUE(WaitForDialog<GameMenu>());
  ClickAndSettle(Front<GameMenu>()->Button(GameMenu::LEAVE));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kNo));
  Updates(50);
  ASSERT_NE(Front<GameMenu>(), nullptr);
  ClickAndSettle(Front<GameMenu>()->Button(GameMenu::LEAVE));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && !board.IsSlidingOut(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);
  EXPECT_TRUE(app_->mMainMenu->visible);
  EXPECT_FALSE(app_->widgetManager->HasWidget(&board));
  EXPECT_TRUE(TestGameApp::Playing(app_->mThemeMusic));
  EXPECT_EQ(app_->mStoryWidget->mLevel * 100 + app_->mStoryWidget->mStage, 302);
}

TEST_F(CampaignTest, TheEndlessScreenOpensFromLevelSixteenShowsTheLastResultAndComesBackAfterAGame) {
  WriteProfile("Ann", "[DATA]\nLEVEL=15\nFB=0\n");
  WriteProfile("Bo", "[DATA]\nLEVEL=16\nFB=0\nENDLSCORE=4321\nENDLSPEED=2\nENDLMIN=12\nENDLSEC=5\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->dialogOrder.empty(); }));
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::ENDLESS));
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(80));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);

  app_->mProfiles.Load("Bo");
  app_->mProfileName = "Bo";
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::ENDLESS));
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && !app_->mMainMenu->visible; }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_ENDLESS);
  ASSERT_EQ(app_->mScreens.size(), 1u);
  auto* screen = dynamic_cast<EndlessScreen*>(app_->mScreens.front().get());
  ASSERT_NE(screen, nullptr);
  EXPECT_NE(screen->Text().find("4321"), std::string::npos) << screen->Text();
  EXPECT_NE(screen->Text().find(app_->GetGameString(52)), std::string::npos) << screen->Text();
  EXPECT_NE(screen->Text().find(" 12:05"), std::string::npos) << screen->Text();
  app_->mEndlessMinutes = 3;
  app_->mEndlessSeconds = 45;
  EXPECT_NE(EndlessScreen::ResultText(*app_).find("Time: 03:45\n"), std::string::npos);

  // An endless game, lost: its result is saved and the endless screen shows it.
  ClickAndSettle(screen->Button(EndlessScreen::PLAY));
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return app_->mScreens.empty() && board.IsActive(); }));
  EXPECT_EQ(board.mode, Board::MODE_ENDLESS);
  LoseTheStage();
  ASSERT_TRUE(WaitForDialog<MyDlg>());
  EXPECT_EQ(Front<MyDlg>()->Title(), app_->GetGameString(42));
  ClickAndSettle(DialogButton(Front<MyDlg>(), MyDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && !board.IsSlidingOut(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_ENDLESS);
  ASSERT_EQ(app_->mScreens.size(), 1u);
  screen = dynamic_cast<EndlessScreen*>(app_->mScreens.front().get());
  EXPECT_EQ(ProfileKey("Bo", "ENDLSCORE"), std::to_string(board.GetScore()));
  EXPECT_EQ(ProfileKey("Bo", "ENDLSEC"), std::to_string(board.GetSeconds()));
  EXPECT_NE(screen->Text().find(" 00:"), std::string::npos) << screen->Text();

  ClickAndSettle(screen->Button(EndlessScreen::BACK));
  ASSERT_TRUE(RunUntil([&] { return app_->mScreens.empty(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_MENU);
  EXPECT_TRUE(app_->mMainMenu->visible);
}

TEST_F(CampaignTest, TheCreditsSlideInWithTheTeamAndAway) {
  WriteProfile("Ann", "[DATA]\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->dialogOrder.empty(); }));
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::CREDITS));
  ASSERT_TRUE(WaitForDialog<Credits>());
  EXPECT_EQ(Front<Credits>()->y, 80);
  EXPECT_EQ(Front<Credits>()->Text(), app_->GetGameString(74));
  ClickAndSettle(DialogButton(Front<Credits>(), Credits::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
}

// Counts the widgets of the whole tree.
int CountTree(const WidgetContainer& container) {
  int count = 0;
  for (const Widget* child : container.children) count += 1 + CountTree(*child);
  return count;
}

TEST_F(CampaignTest, SettingsActWhileTheSlidersMoveAndAreSavedWithThreeDigits) {
  WriteProfile("Ann", "[DATA]\nLEVEL=3\nFB=0\nMUSIC=0.5\nSOUND=0.7\n");
  Start();
  app_->Load();
  OpenMapPastTheGuardian();
  ClickAndSettle(app_->mStoryWidget->Button(StoryWidget::PLAY));
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return board.IsActive() && !board.IsFilling(); }));
  ClickAndSettle(board.children.back());
  ASSERT_TRUE(WaitForDialog<GameMenu>());
  ClickAndSettle(Front<GameMenu>()->Button(GameMenu::SETTINGS));
  ASSERT_TRUE(WaitForDialog<SettingsDlg>());
  SettingsDlg* settings = Front<SettingsDlg>();
  EXPECT_FLOAT_EQ(float(settings->MusicSlider()->value), 0.5f);

  // A click on the music track two thirds along: theme and game music change at once.
  const Point track = settings->MusicSlider()->GetScreenPos();
  app_->input->QueueMouseDown(track.x + 196, track.y + 12);
  app_->input->QueueMouseUp(track.x + 196, track.y + 12);
  app_->Drain(2);
  const float volume = 196.0f / 294.0f;
  EXPECT_FLOAT_EQ(app_->mThemeMusic->GetVolume(), volume);
  ASSERT_TRUE(app_->mLevelMusic);
  EXPECT_FLOAT_EQ(app_->mLevelMusic->GetVolume(), volume);
  EXPECT_EQ(ProfileKey("Ann", "MUSIC"), "0.5");  // saved only on OK
  ClickAndSettle(DialogButton(settings, SettingsDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return Front<SettingsDlg>() == nullptr; }));
  EXPECT_EQ(ProfileKey("Ann", "MUSIC"), "0.667");
  EXPECT_EQ(ProfileKey("Ann", "SOUND"), "0.7");
  EXPECT_EQ(ProfileKey("Ann", "FULLSCR"), "0");
  EXPECT_NE(Front<GameMenu>(), nullptr);  // the game menu stays open
}

TEST_F(CampaignTest, ProfilesAreMadeRenamedSwitchedAndDeletedWithTheirRules) {
  for (const char* name : {"Ann", "Bo", "Cy", "Dee", "Eli", "Fay", "Gus"}) WriteProfile(name, "[DATA]\nLEVEL=2\n");
  WriteProfile("Ann", "[DATA]\nLEVEL=9\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->dialogOrder.empty(); }));
  ASSERT_EQ(app_->mProfileName, "Ann");
  auto open = [&]() -> ProfilesDlg* {
    ClickAndSettle(app_->mMainMenu->Button(MainMenu::PROFILES));
    return WaitForDialog<ProfilesDlg>() ? Front<ProfilesDlg>() : nullptr;
  };
  auto answer = [&](int id) { ClickAndSettle(DialogButton(app_->dialogOrder.back(), id)); };
  auto enter = [&](const std::string& name) {
    ASSERT_TRUE(WaitForDialog<EnterValDlg>());
    EnterName(name);
  };
  ProfilesDlg* dialog = open();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->List()->LineCount(), 7);
  EXPECT_EQ(dialog->List()->LineText(dialog->List()->selectedIndex), "Ann");

  // The eighth, made current; then a ninth is refused.
  ClickAndSettle(dialog->Button(ProfilesDlg::NEW));
  enter("Hal");
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  answer(YesNoDlg::kYes);
  EXPECT_EQ(app_->mProfileName, "Hal");
  EXPECT_EQ(ProfileKey("Hal", "LEVEL"), "1");
  ClickAndSettle(dialog->Button(ProfilesDlg::NEW));
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(76));
  answer(YesNoDlg::kYes);

  // Renaming the current profile: the file moves and the last-player setting follows; another
  // player's name is refused and that player's file kept.
  ClickAndSettle(dialog->Button(ProfilesDlg::RENAME));
  enter("Bo");
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(16));
  answer(YesNoDlg::kYes);
  EXPECT_EQ(ProfileKey("Bo", "LEVEL"), "2");
  ClickAndSettle(dialog->Button(ProfilesDlg::RENAME));
  enter("Ivy");
  EXPECT_EQ(app_->mProfileName, "Ivy");
  std::string last;
  EXPECT_TRUE(app_->FetchText("luser", last));
  EXPECT_EQ(last, "Ivy");
  EXPECT_FALSE(fs::exists(data_.Path() / "properties/users/Hal"));
  EXPECT_EQ(ProfileKey("Ivy", "LEVEL"), "1");

  // Deleting the current profile loads the one that takes the selection (the line before it).
  const int ivyLine = dialog->List()->selectedIndex;
  ASSERT_EQ(ivyLine, dialog->List()->LineCount() - 1);
  ClickAndSettle(dialog->Button(ProfilesDlg::DELETE));
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(17));
  answer(YesNoDlg::kYes);
  EXPECT_FALSE(fs::exists(data_.Path() / "properties/users/Ivy"));
  EXPECT_EQ(app_->mProfileName, "Gus");
  EXPECT_EQ(dialog->List()->LineText(dialog->List()->selectedIndex), "Gus");

  // Switching: no keeps the current player, yes changes it.
  dialog->List()->SetSelected(0);
  ClickAndSettle(dialog->Button(ProfilesDlg::OK));
  answer(YesNoDlg::kNo);
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  EXPECT_EQ(app_->mProfileName, "Gus");
  dialog = open();
  dialog->List()->SetSelected(0);
  ClickAndSettle(dialog->Button(ProfilesDlg::OK));
  answer(YesNoDlg::kYes);
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  EXPECT_EQ(app_->mProfileName, "Ann");
  EXPECT_EQ(app_->mStoryWidget->mLevel, 9);

  // The last profile cannot be deleted.
  for (const char* name : {"Bo", "Cy", "Dee", "Eli", "Fay", "Gus"}) app_->mProfiles.Delete(name);
  dialog = open();
  ASSERT_EQ(dialog->List()->LineCount(), 1);
  ClickAndSettle(dialog->Button(ProfilesDlg::DELETE));
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(72));
  answer(YesNoDlg::kYes);
  EXPECT_TRUE(fs::exists(data_.Path() / "properties/users/Ann"));
}

TEST_F(CampaignTest, TheCustomGameOpensAreaByAreaAndPlaysTheChosenLevel) {
  WriteProfile("Ann", "[DATA]\nLEVEL=5\nFB=0\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->dialogOrder.empty(); }));
  ClickAndSettle(app_->mMainMenu->Button(MainMenu::CUSTOM));
  ASSERT_NE(Front<YesNoDlg>(), nullptr);
  EXPECT_EQ(Front<YesNoDlg>()->text, app_->GetGameString(79));
  ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kYes));

  for (int level : {6, 10, 11}) {
    app_->mStoryWidget->mLevel = level;
    CustomGWidget screen(app_.get());
    EXPECT_TRUE(screen.IsUnlocked(0));
    EXPECT_EQ(screen.IsUnlocked(1), level == 11) << level;
    EXPECT_FALSE(screen.IsUnlocked(2));
  }
  app_->mGamePassed = 1;
  EXPECT_TRUE(CustomGWidget(app_.get()).IsUnlocked(5));
  app_->mGamePassed = 0;

  ClickAndSettle(app_->mMainMenu->Button(MainMenu::CUSTOM));
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && !app_->mMainMenu->visible; }));
  ASSERT_EQ(app_->mScreens.size(), 1u);
  auto* custom = dynamic_cast<CustomGWidget*>(app_->mScreens.front().get());
  ASSERT_NE(custom, nullptr);
  // A click in a locked area chooses nothing; one in an open area away from its way-points
  // chooses its first level; one on a way-point chooses that level.
  const Point locked = CustomGWidget::kCentres[2];
  app_->input->QueueMouseMove(locked.x + 60, locked.y + 60);
  app_->input->QueueMouseDown(locked.x + 60, locked.y + 60);
  app_->input->QueueMouseUp(locked.x + 60, locked.y + 60);
  app_->Drain(2);
  EXPECT_EQ(custom->selectedLevel, 0);
  const Point area1 = CustomGWidget::kCentres[1];
  app_->input->QueueMouseMove(area1.x + 120, area1.y + 120);
  app_->input->QueueMouseDown(area1.x + 120, area1.y + 120);
  app_->input->QueueMouseUp(area1.x + 120, area1.y + 120);
  app_->Drain(2);
  EXPECT_EQ(custom->selectedLevel, 5);
  EXPECT_EQ(custom->selectedArea, 1);
  const Point third = CustomGWidget::WayPoint(1, 2);
  app_->input->QueueMouseMove(third.x + 10, third.y + 10);
  app_->input->QueueMouseDown(third.x + 10, third.y + 10);
  app_->input->QueueMouseUp(third.x + 10, third.y + 10);
  app_->Drain(2);
  EXPECT_EQ(custom->selectedLevel, 7);

  ClickAndSettle(custom->Button(CustomGWidget::PLAY));
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return app_->mScreens.empty() && board.IsActive(); }));
  EXPECT_EQ(board.mode, Board::MODE_CUSTOM);
  EXPECT_EQ(board.level * 100 + board.stage, 801);
  // Lost with its three lives: back to the custom screen with the level chosen again.
  board.SetLifeCount(1);
  LoseTheStage();
  ASSERT_TRUE(WaitForDialog<MyDlg>());
  EXPECT_FALSE(Front<MyDlg>()->ShowsWinTitle());
  ClickAndSettle(DialogButton(Front<MyDlg>(), MyDlg::kOk));
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && !board.IsSlidingOut(); }));
  EXPECT_EQ(app_->mScreenState, GameApp::STATE_CUSTOM);
  ASSERT_EQ(app_->mScreens.size(), 1u);
  custom = dynamic_cast<CustomGWidget*>(app_->mScreens.front().get());
  EXPECT_EQ(custom->selectedLevel, 7);
  EXPECT_EQ(ProfileKey("Ann", "LEVEL"), "5");  // a custom game is no campaign progress
}

TEST_F(CampaignTest, AMenuTourVisitsEveryScreenTwiceAndLeavesNothingBehind) {
  WriteProfile("Ann", "[DATA]\nLEVEL=20\nFB=0\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && app_->dialogOrder.empty() && !app_->mLoadingScreen; }));
  Updates(10);
  // The travel map, once shown, stays in the tree hidden (it lives as long as the game).
  const int widgets = CountTree(*app_->widgetManager) + 1 + 2;
  auto backToMenu = [&] { return RunUntil([&] { return !app_->mSlide.active && app_->mMainMenu->visible; }); };
  auto leaveAndReturn = [&](int button, auto back) {
    ClickAndSettle(app_->mMainMenu->Button(button));
    ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && !app_->mMainMenu->visible; }));
    Updates(5);
    ClickAndSettle(back());
    ASSERT_TRUE(backToMenu());
    Updates(5);
  };
  auto openAndClose = [&](int button, auto close) {
    ClickAndSettle(app_->mMainMenu->Button(button));
    ASSERT_TRUE(RunUntil([&] {
      return !app_->dialogOrder.empty() && !static_cast<GameDialog*>(app_->dialogOrder.back())->Slide().active;
    }));
    ClickAndSettle(close(app_->dialogOrder.back()));
    ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty(); }));
  };
  for (int round = 0; round < 2; ++round) {
    leaveAndReturn(MainMenu::STORY, [&] { return app_->mStoryWidget->Button(StoryWidget::BACK); });
    leaveAndReturn(MainMenu::CUSTOM, [&] {
      return static_cast<CustomGWidget*>(app_->mScreens.front().get())->Button(CustomGWidget::BACK);
    });
    leaveAndReturn(MainMenu::ENDLESS, [&] {
      return static_cast<EndlessScreen*>(app_->mScreens.front().get())->Button(EndlessScreen::BACK);
    });
    leaveAndReturn(MainMenu::HELP, [&] {
      auto* help = static_cast<HelpWidget*>(app_->mScreens.front().get());
      EXPECT_NE(help->Dialog(), nullptr);
      return help->Button();
    });
    EXPECT_TRUE(app_->dialogOrder.empty());  // the help dialog left with its screen
    openAndClose(MainMenu::SETTINGS, [&](Dialog* d) { return DialogButton(d, SettingsDlg::kOk); });
    openAndClose(MainMenu::PROFILES, [&](Dialog* d) { return DialogButton(d, ProfilesDlg::OK); });
    openAndClose(MainMenu::CREDITS, [&](Dialog* d) { return DialogButton(d, Credits::kOk); });
    ClickAndSettle(app_->mMainMenu->Button(MainMenu::EXIT));
    ClickAndSettle(DialogButton(Front<YesNoDlg>(), YesNoDlg::kNo));
  }
  Updates(5);
  EXPECT_TRUE(app_->mScreens.empty());
  EXPECT_TRUE(app_->dialogOrder.empty());
  EXPECT_TRUE(app_->deferredDeletes.empty());
  EXPECT_EQ(CountTree(*app_->widgetManager), widgets);
  EXPECT_FALSE(app_->shutdown);
}

// Without a mouse: the same moves made with the keyboard or with a pad.
enum class Move { UP, DOWN, LEFT, RIGHT, OK, BACK, FIRE, CHANGE_RUNE };

class HandsOffTest : public CampaignTest {
 protected:
  void Press(Move move) {
    if (pad_) {
      static constexpr PadButton kButtons[] = {PadButton::DPAD_UP,    PadButton::DPAD_DOWN, PadButton::DPAD_LEFT,
                                               PadButton::DPAD_RIGHT, PadButton::SOUTH,     PadButton::EAST,
                                               PadButton::SOUTH,      PadButton::WEST};
      app_->input->QueuePadButton(kButtons[int(move)], true);
      app_->input->QueuePadButton(kButtons[int(move)], false);
    } else {
      static constexpr int kKeys[] = {KEYCODE_UP,     KEYCODE_DOWN,   KEYCODE_LEFT,  KEYCODE_RIGHT,
                                      KEYCODE_RETURN, KEYCODE_ESCAPE, KEYCODE_SPACE, KEYCODE_UP};
      app_->input->QueueKeyDown(kKeys[int(move)]);
      app_->input->QueueKeyUp(kKeys[int(move)]);
    }
    app_->Drain(2);
  }
  void Press(std::initializer_list<Move> moves) {
    for (Move move : moves) Press(move);
  }
  Widget* Focus() { return app_->widgetManager->focusWidget; }
  bool MenuAtRest() {
    return !app_->mSlide.active && app_->mMainMenu && app_->mMainMenu->visible && app_->dialogOrder.empty() &&
           !app_->mLoadingScreen;
  }
  bool DialogAtRest() {
    return !app_->dialogOrder.empty() && !static_cast<GameDialog*>(app_->dialogOrder.back())->Slide().active;
  }

  // From the first start to the second stage, by moves only: the name, the main menu, the map and
  // its guardian, a stage played and won, the result.
  void PlayTheFirstStage(const std::string& name) {
    Start();
    if (pad_) app_->input->QueuePadAdded(0);
    app_->Load();
    ASSERT_TRUE(WaitForDialog<EnterValDlg>());
    if (pad_) {
      // A letter at a time: up makes an "A" and turns it on, right adds the next letter.
      const std::string letters = EditWidget::kPadLetters;
      const int count = int(letters.size());
      for (size_t i = 0; i < name.size(); ++i) {
        Press(i == 0 ? Move::UP : Move::RIGHT);
        const int steps = int(letters.find(name[i]));
        // Up turns the letter on, down back; the shorter way round.
        for (int k = 0; k < std::min(steps, count - steps); ++k) Press(steps <= count / 2 ? Move::UP : Move::DOWN);
      }
    } else {
      driver_->Type(name);
      app_->Drain(2);
    }
    EXPECT_EQ(Front<EnterValDlg>()->Edit()->text, name);
    Press(Move::OK);
    ASSERT_TRUE(RunUntil([&] { return MenuAtRest(); }));
    EXPECT_EQ(app_->mProfileName, name);

    // The focus is shown on the story button: OK opens the map, whose guardian is greeted.
    EXPECT_EQ(Focus(), app_->mMainMenu->Button(MainMenu::STORY));
    EXPECT_TRUE(app_->mMainMenu->Button(MainMenu::STORY)->LooksHovered());
    Press(Move::OK);
    EXPECT_EQ(app_->mScreenState, GameApp::STATE_MAP);
    ASSERT_TRUE(WaitForDialog<BossDlg>());
    Press(Move::OK);
    ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && !app_->mSlide.active; }));
    Updates(2);
    EXPECT_EQ(Focus(), app_->mStoryWidget->Button(StoryWidget::PLAY));
    Press(Move::OK);

    Board& board = *app_->mBoard;
    ASSERT_TRUE(RunUntil([&] { return board.IsActive() && !board.IsFilling(); }));
    EXPECT_EQ(Focus(), &board);
    Updates(100);  // the first rune comes up into the carriage
    const int column = board.GetCarriageColumn();
    Press({Move::LEFT, Move::FIRE, Move::RIGHT, Move::RIGHT, Move::CHANGE_RUNE});
    Updates(150);  // the carriage is loaded again
    Press(Move::FIRE);
    EXPECT_EQ(board.GetCarriageColumn(), column + 1);
    EXPECT_EQ(board.GetShots(), 2);
    WinTheStage();
    ASSERT_TRUE(WaitForDialog<MyDlg>());
    EXPECT_EQ(Focus(), DialogButton(Front<MyDlg>(), MyDlg::kOk));
    Press(Move::OK);
    ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && board.IsActive(); }));
    EXPECT_EQ(board.level * 100 + board.stage, 102);
    EXPECT_EQ(ProfileKey(name, "STAGE"), "2");
  }

  bool pad_ = false;
};

TEST_F(HandsOffTest, TheFirstStageIsReachedAndPlayedWithTheKeyboardAlone) { PlayTheFirstStage("Rona"); }

TEST_F(HandsOffTest, TheFirstStageIsReachedAndPlayedWithAPadAlone) {
  pad_ = true;
  PlayTheFirstStage("Ro 7");

  // A held direction moves the carriage once, then again as a held arrow key repeats.
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return !board.IsFilling() && board.IsActive(); }));
  board.AimAtColumn(8);
  app_->input->QueuePadButton(PadButton::DPAD_LEFT, true);
  app_->Drain(0);
  EXPECT_EQ(board.GetCarriageColumn(), 7);
  Updates(WidgetManager::kPadRepeatDelay - 2);
  EXPECT_EQ(board.GetCarriageColumn(), 7);
  Updates(2 + 2 * WidgetManager::kPadRepeatInterval);
  EXPECT_EQ(board.GetCarriageColumn(), 4);
  app_->input->QueuePadButton(PadButton::DPAD_LEFT, false);
  app_->Drain(2 * WidgetManager::kPadRepeatInterval);
  EXPECT_EQ(board.GetCarriageColumn(), 4);
  // The shoulders aim three columns at a time.
  app_->input->QueuePadButton(PadButton::RIGHT_SHOULDER, true);
  app_->Drain(0);
  EXPECT_EQ(board.GetCarriageColumn(), 7);
}

TEST_F(HandsOffTest, APadPluggedInAndOutMidStagePausesTheStageItPlays) {
  pad_ = true;
  Start({"-play=story:1:1"});
  app_->Load();
  Board& board = *app_->mBoard;
  ASSERT_TRUE(RunUntil([&] { return board.IsActive() && !board.IsFilling(); }));
  Updates(100);

  // A second pad that comes and goes without being used changes nothing.
  app_->input->QueuePadAdded(0);
  app_->input->QueuePadAdded(1);
  app_->Drain(2);
  Press(Move::FIRE);
  EXPECT_EQ(board.GetShots(), 1);
  app_->input->QueuePadRemoved(1);
  app_->Drain(2);
  EXPECT_FALSE(board.IsPaused());

  // The pad in use goes: the stage waits under the pause overlay, its music stopped.
  app_->input->QueuePadButton(PadButton::DPAD_LEFT, true);  // held as it is pulled out
  app_->input->QueuePadRemoved(0);
  app_->Drain(2);
  EXPECT_TRUE(board.IsPaused());
  EXPECT_TRUE(app_->OverlayShown());
  EXPECT_FALSE(TestGameApp::Playing(app_->mLevelMusic));
  const int column = board.GetCarriageColumn();
  Updates(2 * WidgetManager::kPadRepeatDelay);
  EXPECT_EQ(board.GetCarriageColumn(), column);  // nothing repeats for a pad that is gone

  // Plugged in again, Start resumes; Start again opens the game menu, and east resumes from it.
  app_->input->QueuePadAdded(0);
  app_->input->QueuePadButton(PadButton::START, true);
  app_->Drain(2);
  EXPECT_FALSE(board.IsPaused());
  EXPECT_FALSE(app_->OverlayShown());
  EXPECT_TRUE(TestGameApp::Playing(app_->mLevelMusic));
  app_->input->QueuePadButton(PadButton::START, true);
  app_->Drain(2);
  ASSERT_TRUE(WaitForDialog<GameMenu>());
  EXPECT_EQ(Focus(), Front<GameMenu>()->Button(GameMenu::RESUME));
  Press(Move::BACK);
  ASSERT_TRUE(RunUntil([&] { return app_->dialogOrder.empty() && board.IsActive(); }));
  Updates(150);
  Press(Move::FIRE);
  EXPECT_EQ(board.GetShots(), 2);
}

TEST_F(HandsOffTest, EveryScreenIsEnteredAndLeftWithTheKeyboard) {
  WriteProfile("Ann", "[DATA]\nLEVEL=20\nFB=0\n");
  Start();
  app_->Load();
  ASSERT_TRUE(RunUntil([&] { return MenuAtRest(); }));
  MainMenu& menu = *app_->mMainMenu;
  // The first arrow only shows the focus; then the arrows go where the buttons lie.
  Press(Move::DOWN);
  EXPECT_EQ(Focus(), menu.Button(MainMenu::STORY));
  // Each path starts where the focus is: back on the story button after a screen, on the button
  // that opened it after a dialog.
  const struct {
    int button;
    std::vector<Move> path;
    bool dialog;
  } visits[] = {
      {MainMenu::STORY, {}, false},
      {MainMenu::CUSTOM, {Move::DOWN}, false},
      {MainMenu::ENDLESS, {Move::DOWN, Move::DOWN}, false},
      {MainMenu::CREDITS, {Move::DOWN, Move::DOWN, Move::DOWN}, true},
      {MainMenu::PROFILES, {Move::LEFT}, true},
      {MainMenu::SETTINGS, {Move::LEFT}, true},
      {MainMenu::HELP, {Move::LEFT}, false},
      {MainMenu::EXIT, {Move::DOWN, Move::DOWN, Move::DOWN, Move::LEFT, Move::LEFT, Move::LEFT, Move::LEFT}, true},
  };
  for (const auto& visit : visits) {
    SCOPED_TRACE(visit.button);
    for (Move move : visit.path) Press(move);
    ASSERT_EQ(Focus(), menu.Button(visit.button));
    Press(Move::OK);
    if (visit.dialog) {
      ASSERT_TRUE(RunUntil([&] { return DialogAtRest(); }));
      EXPECT_TRUE(app_->widgetManager->CanNavigateTo(Focus()));
    } else {
      ASSERT_TRUE(RunUntil([&] { return !app_->mSlide.active && !menu.visible; }));
      Updates(5);
      EXPECT_NE(app_->mScreenState, GameApp::STATE_MENU);
    }
    if (visit.button == MainMenu::SETTINGS) {
      // The music slider has the focus first; the arrows along it change the volume.
      auto* settings = Front<SettingsDlg>();
      EXPECT_EQ(Focus(), settings->MusicSlider());
      const double before = settings->MusicSlider()->value;
      Press(Move::RIGHT);
      EXPECT_NEAR(settings->MusicSlider()->value, before + Slider::kKeyStep, 1e-9);
      Press(Move::LEFT);
    }
    if (visit.button == MainMenu::CUSTOM) {
      auto* custom = dynamic_cast<CustomGWidget*>(app_->mScreens.front().get());
      ASSERT_NE(custom, nullptr);
      Press({Move::DOWN, Move::RIGHT});  // the next area, its second level
      EXPECT_EQ(custom->selectedLevel, 6);
      Press({Move::DOWN, Move::DOWN, Move::DOWN});  // the areas beyond the third are shut
      EXPECT_EQ(custom->selectedLevel, 11);
      Press({Move::LEFT, Move::LEFT});
      EXPECT_EQ(custom->selectedLevel, 9);
    }
    Press(Move::BACK);
    ASSERT_TRUE(RunUntil([&] { return MenuAtRest(); }));
    Updates(2);
    EXPECT_EQ(Focus(), menu.Button(visit.dialog ? visit.button : int(MainMenu::STORY)));
  }
  EXPECT_FALSE(app_->shutdown);
  EXPECT_TRUE(app_->mScreens.empty());
}

}  // namespace

// At rest the map redraws only around its glowing marker, and what the player sees is exactly what
// a whole redraw of the same moment gives.
TEST_F(CampaignTest, TheMapAtRestRedrawsOnlyAroundItsMarkerAndLooksAsIfDrawnWhole) {
  WriteProfile("Ann", "[DATA]\nLEVEL=3\nSTAGE=2\nFB=0\n");
  Start();
  app_->Load();
  OpenMapPastTheGuardian();
  ASSERT_EQ(app_->mScreenState, GameApp::STATE_MAP);
  WidgetManager& manager = *app_->widgetManager;
  int64_t largest = 0;
  for (int i = 0; i < 300; ++i) {
    app_->StepUntilUpdate();
    if (manager.DrawDirtyWidgets()) largest = std::max(largest, manager.lastDrawnPixels);
  }
  EXPECT_GT(largest, 0) << "the marker glows";
  EXPECT_LT(largest, 640 * 480 / 8) << "only the marker's area is drawn";

  auto* screen = dynamic_cast<MemoryImage*>(manager.screenImage);
  ASSERT_NE(screen, nullptr);
  const std::vector<uint32_t> partly(screen->GetPixels(), screen->GetPixels() + 640 * 480);
  app_->mStoryWidget->MarkDirty();
  ASSERT_TRUE(manager.DrawDirtyWidgets());
  const std::vector<uint32_t> whole(screen->GetPixels(), screen->GetPixels() + 640 * 480);
  int differing = 0;
  for (size_t i = 0; i < whole.size(); ++i) differing += (partly[i] & 0xFFFFFF) != (whole[i] & 0xFFFFFF);
  EXPECT_EQ(differing, 0);
}

}  // namespace Orva
