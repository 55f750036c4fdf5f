// campaignbot: plays the whole campaign through the game's screens, from a new profile to the
// winner screen, and prints a table of every stage it played.
//
//   campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS]
//   campaignbot --game DIR --shots OUTDIR
//
// The game runs headless in DIR with a fresh data folder for each run: the bot types a name at the
// first start, presses the story button, the guardians' OK and the map's Play, plays each stage
// through the board's input, and presses OK on every result. A lost campaign starts again from
// level 1, as it does for a player. Each run ends at the winner screen, or after 20 hours of the
// game's clock.
//
// --shots walks through the campaign's screens instead and writes what the window shows as PNGs:
// the loading bar half full, the name entry, the main menu with a hint, the map with the first
// guardian, the map blinking its way-point, the result of a won stage, of a lost one and of an
// endless game, the winner screen, the game menu, the endless screen, the credits, the settings,
// the profiles with the rename prompt, the help and the custom game with a level chosen; then,
// played with a pad alone, the name entry with its hint and the focus on the main menu, on the
// guardian's dialog, on the map and in the settings.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/resources/ImageBridge.h"
#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/IniFile.h"
#include "game/screens/BossDlg.h"
#include "game/screens/Credits.h"
#include "game/screens/CustomGWidget.h"
#include "game/screens/EnterValDlg.h"
#include "game/screens/GameMenu.h"
#include "game/screens/HelpWidget.h"
#include "game/screens/MainMenu.h"
#include "game/screens/MyDlg.h"
#include "game/screens/ProfilesDlg.h"
#include "game/screens/SettingsDlg.h"
#include "game/screens/StoryWidget.h"
#include "game/screens/WinnerWidget.h"
#include "tools/bot/CampaignApp.h"
#include "tools/bot/CampaignDriver.h"

namespace {

using namespace Orva;
namespace fs = std::filesystem;

ButtonWidget* FirstButton(Widget* dialog) {
  for (Widget* child : dialog->children)
    if (auto* button = dynamic_cast<ButtonWidget*>(child)) return button;
  return nullptr;
}

void ClearField(Board& board) {
  for (int row = 0; row < Board::kRows; ++row)
    for (int column = 0; column < Board::kColumns; ++column) board.SetCell(row, column, -1);
  board.mRowsLeft = 0;
}

void HangColumn(Board& board) {
  for (int row = 1; row <= 13; ++row) board.SetCell(row, 0, 5 - row % 3);
}

int TakeShots(const std::string& game, const fs::path& folder) {
  fs::create_directories(folder);
  const fs::path data = fs::temp_directory_path() / "campaignbot_shots";
  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    if (!ok) {
      std::fprintf(stderr, "campaignbot: %s did not happen\n", what);
      ++failures;
    }
    return ok;
  };
  {
    fs::remove_all(data);
    CampaignApp app(game, data.string(), 4);
    app.Init();
    // The bar half full, as it would be half way through loading.
    app.loaderStarted = true;
    app.loaderTasksDone = app.loaderTaskCount / 2;
    app.Updates(3);
    app.Shot(folder / "01_loading.png");
    app.loaderTasksDone = 0;
    app.loaderStarted = false;
    if (!app.Load()) return 1;
    CampaignDriver hand(app, app.Input(), {});
    if (check(app.RunUntil([&] { return app.Front<EnterValDlg>() != nullptr; }), "the name entry")) {
      hand.Type("Rona");
      app.Updates(30);
      app.Shot(folder / "02_name_entry.png");
      app.Input().QueueKeyDown(KEYCODE_RETURN);
      app.Updates(5);
    }
    Widget* story = app.mMainMenu->Button(MainMenu::STORY);
    const Point at = story->GetScreenPos();
    app.Input().QueueMouseMove(at.x + 40, at.y + 30);
    app.Updates(5);
    app.Shot(folder / "03_main_menu_hint.png");
    hand.Click(story);
    if (check(app.RunUntil([&] { return app.Front<BossDlg>() != nullptr; }), "the guardian")) {
      app.Updates(2);
      app.Shot(folder / "04_map_guardian.png");
      hand.Click(FirstButton(app.Front<BossDlg>()));
    }
    StoryWidget& map = *app.mStoryWidget;
    if (check(app.RunUntil([&] { return map.blinkToggle == 1 && app.dialogOrder.empty(); }), "the blink")) {
      app.Updates(2);
      app.Shot(folder / "05_map_blinking.png");
    }
    app.RunUntil([&] { return map.blinkCounter == -1; });
    hand.Click(map.Button(StoryWidget::PLAY));
    Board& board = *app.mBoard;
    app.RunUntil([&] { return board.IsActive() && !board.IsFilling(); });
    app.Updates(400);
    ClearField(board);
    if (check(app.RunUntil([&] { return app.Front<MyDlg>() != nullptr; }), "the won result")) {
      app.Shot(folder / "06_result_won.png");
      hand.Click(FirstButton(app.Front<MyDlg>()));
    }
    app.RunUntil([&] { return app.dialogOrder.empty() && board.IsActive() && !board.IsFilling(); });
    app.Updates(300);
    HangColumn(board);
    if (check(app.RunUntil([&] { return app.Front<MyDlg>() != nullptr; }), "the lost result")) {
      app.Shot(folder / "07_result_lost.png");
      hand.Click(FirstButton(app.Front<MyDlg>()));
    }
    app.RunUntil([&] { return app.dialogOrder.empty() && board.IsActive() && !board.IsFilling(); });
    app.Updates(200);
    hand.Click(board.children.back());  // the menu button
    if (check(app.RunUntil([&] { return app.Front<GameMenu>() != nullptr; }), "the game menu")) {
      app.Shot(folder / "10_game_menu.png");
    }
  }
  {
    fs::remove_all(data);
    CampaignApp app(game, data.string(), 5, "-play=endless");
    app.Init();
    if (!app.Load()) return 1;
    Board& board = *app.mBoard;
    app.RunUntil([&] { return board.IsActive() && !board.IsFilling() && !app.mLoadingScreen; });
    app.Updates(2500);
    HangColumn(board);
    if (check(app.RunUntil([&] { return app.Front<MyDlg>() != nullptr; }), "the endless result")) {
      app.Shot(folder / "08_result_endless.png");
      CampaignDriver hand(app, app.Input(), {});
      hand.Click(FirstButton(app.Front<MyDlg>()));
    }
    if (check(app.RunUntil([&] { return app.dialogOrder.empty() && !board.IsSlidingOut() && !app.mScreens.empty(); }),
              "the endless screen")) {
      app.Updates(2);
      app.Shot(folder / "11_endless_screen.png");
    }
  }
  {
    fs::remove_all(data);
    fs::create_directories(data / "properties/users");
    std::FILE* profile = std::fopen((data / "properties/users/Vela").string().c_str(), "w");
    if (profile) {
      std::fputs("[DATA]\nLEVEL=30\nSTAGE=5\nLIVES=3\nTOTALSCORE=2500000\n", profile);
      std::fclose(profile);
    }
    CampaignApp app(game, data.string(), 6);
    app.Init();
    if (!app.Load()) return 1;
    CampaignDriver hand(app, app.Input(), {});
    app.RunUntil([&] { return !app.mSlide.active && !app.mLoadingScreen; });
    hand.Click(app.mMainMenu->Button(MainMenu::STORY));
    app.RunUntil([&] { return !app.mSlide.active && app.mScreenState == GameApp::STATE_MAP; });
    app.Updates(20);
    hand.Click(app.mStoryWidget->Button(StoryWidget::PLAY));
    Board& board = *app.mBoard;
    app.RunUntil([&] { return board.IsActive() && !board.IsFilling(); });
    ClearField(board);
    if (app.RunUntil([&] { return app.Front<MyDlg>() != nullptr; })) hand.Click(FirstButton(app.Front<MyDlg>()));
    if (check(app.RunUntil([&] { return app.mWinnerWidget && !board.IsSlidingOut(); }), "the winner screen")) {
      app.Updates(2);
      app.Shot(folder / "09_winner.png");
      hand.Click(app.mWinnerWidget->Button());
    }
    app.RunUntil([&] { return !app.mWinnerWidget; });
    hand.Click(app.mMainMenu->Button(MainMenu::CREDITS));
    if (check(app.RunUntil([&] { return app.Front<Credits>() != nullptr; }), "the credits")) {
      app.Shot(folder / "12_credits.png");
      hand.Click(FirstButton(app.Front<Credits>()));
    }
    app.RunUntil([&] { return app.dialogOrder.empty(); });
    hand.Click(app.mMainMenu->Button(MainMenu::SETTINGS));
    if (check(app.RunUntil([&] { return app.Front<SettingsDlg>() != nullptr; }), "the settings")) {
      app.Shot(folder / "13_settings.png");
      hand.Click(FirstButton(app.Front<SettingsDlg>()));
    }
    app.RunUntil([&] { return app.dialogOrder.empty(); });
    for (const char* name : {"Ash", "Brin", "Corra", "Dune"}) app.mProfiles.Create(name, false);
    hand.Click(app.mMainMenu->Button(MainMenu::PROFILES));
    if (check(app.RunUntil([&] { return app.Front<ProfilesDlg>() != nullptr; }), "the profiles")) {
      ProfilesDlg& profiles = *app.Front<ProfilesDlg>();
      app.Updates(2);
      app.Shot(folder / "14_profiles.png");
      hand.Click(profiles.Button(ProfilesDlg::RENAME));
      if (check(app.RunUntil([&] { return app.Front<EnterValDlg>() != nullptr; }), "the rename prompt")) {
        hand.Type("Vela the Bold");
        app.Updates(30);
        app.Shot(folder / "15_rename.png");
        app.Input().QueueKeyDown(KEYCODE_ESCAPE);
        hand.Click(app.Front<EnterValDlg>()->children.back());  // cancel
      }
      app.RunUntil([&] { return app.Front<ProfilesDlg>() != nullptr; });
      hand.Click(app.Front<ProfilesDlg>()->Button(ProfilesDlg::OK));
    }
    app.RunUntil([&] { return app.dialogOrder.empty(); });
    hand.Click(app.mMainMenu->Button(MainMenu::HELP));
    if (check(app.RunUntil([&] { return !app.mSlide.active && !app.dialogOrder.empty(); }), "the help")) {
      app.Updates(2);
      app.Shot(folder / "16_help.png");
      auto* help = dynamic_cast<HelpWidget*>(app.mScreens.front().get());
      hand.Click(help->Button());
    }
    app.RunUntil([&] { return !app.mSlide.active && app.mScreens.empty(); });
    hand.Click(app.mMainMenu->Button(MainMenu::CUSTOM));
    if (check(app.RunUntil([&] { return !app.mSlide.active && !app.mScreens.empty(); }), "the custom game")) {
      const Point way = CustomGWidget::WayPoint(4, 3);
      app.Input().QueueMouseMove(way.x + 10, way.y + 10);
      app.Input().QueueMouseDown(way.x + 10, way.y + 10);
      app.Input().QueueMouseUp(way.x + 10, way.y + 10);
      const Point other = CustomGWidget::kCentres[1];
      app.Input().QueueMouseMove(other.x + 20, other.y + 20);
      app.Updates(10);
      app.Shot(folder / "17_custom.png");
    }
  }
  {
    fs::remove_all(data);
    CampaignApp app(game, data.string(), 7);
    app.Init();
    app.Input().QueuePadAdded(0);
    if (!app.Load()) return 1;
    auto press = [&](PadButton button) {
      app.Input().QueuePadButton(button, true);
      app.Input().QueuePadButton(button, false);
      app.Updates(3);
    };
    if (check(app.RunUntil([&] { return app.Front<EnterValDlg>() != nullptr; }), "the name entry by pad")) {
      for (PadButton button :
           {PadButton::DPAD_UP, PadButton::DPAD_RIGHT, PadButton::DPAD_UP, PadButton::DPAD_DOWN, PadButton::DPAD_DOWN})
        press(button);
      app.Updates(30);
      app.Shot(folder / "18_name_entry_pad.png");
      press(PadButton::SOUTH);
    }
    app.RunUntil([&] { return !app.mSlide.active && app.dialogOrder.empty() && app.mMainMenu->visible; });
    press(PadButton::DPAD_DOWN);
    app.Updates(30);  // the hover picture fades in
    app.Shot(folder / "19_focus_main_menu.png");
    press(PadButton::DPAD_UP);
    press(PadButton::SOUTH);
    if (check(app.RunUntil([&] { return app.Front<BossDlg>() != nullptr; }), "the guardian by pad")) {
      app.Updates(30);
      app.Shot(folder / "20_focus_dialog.png");
      press(PadButton::SOUTH);
    }
    if (check(app.RunUntil([&] { return app.dialogOrder.empty() && !app.mSlide.active; }), "the map by pad")) {
      app.Updates(30);
      app.Shot(folder / "21_focus_map.png");
      app.RunUntil([&] { return app.mStoryWidget->blinkCounter == -1; });
      press(PadButton::EAST);
    }
    // Back on the main menu (the focus on the story button): down to the credits, left twice.
    app.RunUntil([&] { return !app.mSlide.active && app.dialogOrder.empty() && app.mMainMenu->visible; });
    app.Updates(2);
    for (PadButton button : {PadButton::DPAD_DOWN, PadButton::DPAD_DOWN, PadButton::DPAD_DOWN, PadButton::DPAD_LEFT,
                             PadButton::DPAD_LEFT, PadButton::SOUTH})
      press(button);
    if (check(app.RunUntil([&] { return app.Front<SettingsDlg>() != nullptr; }), "the settings by pad")) {
      press(PadButton::DPAD_RIGHT);
      app.Updates(5);
      app.Shot(folder / "22_focus_settings_slider.png");
      press(PadButton::DPAD_DOWN);
      press(PadButton::DPAD_DOWN);
      app.Updates(5);
      app.Shot(folder / "23_focus_settings_below.png");
    }
  }
  fs::remove_all(data);
  return failures == 0 ? 0 : 1;
}

int Run(const std::string& game, unsigned seed, int pace) {
  const fs::path data = fs::temp_directory_path() / ("campaignbot_" + std::to_string(seed));
  fs::remove_all(data);
  CampaignApp app(fs::absolute(game).string(), data.string(), seed);
  app.drawEveryFrame = false;
  app.Init();
  if (!app.Load()) {
    std::fprintf(stderr, "campaignbot: the game did not load\n");
    return 1;
  }
  auto* input = dynamic_cast<HeadlessWindowSystem*>(app.windowSystem.get());
  CampaignDriver driver(app, *input, {"Bot", seed, pace});
  std::printf(
      "\nSeed %u\n\n| # | level | stage | result | score | time | shots |\n|---:|---:|---:|---|---:|---:|---:|\n",
      seed);
  int count = 0;
  driver.onStageResult = [&](const CampaignDriver::StageResult& r) {
    std::printf("| %d | %d | %d | %s | %d | %d:%02d | %d |\n", ++count, r.level, r.stage,
                r.result == 1 ? "won" : "lost", r.score, r.minutes, r.seconds, r.shots);
    std::fflush(stdout);
  };
  const long long limit = 100LL * 3600 * 20;
  const bool won = driver.PlayToWinnerScreen(limit);
  int wins = 0, losses = 0;
  long long seconds = 0;
  for (const auto& r : driver.Results()) {
    (r.result == 1 ? wins : losses) += 1;
    seconds += r.minutes * 60 + r.seconds;
  }
  const std::string passed = IniFile::Read((data / "properties/users/Bot").string(), "DATA", "GAMEPASSED", "missing");
  std::printf(
      "\n%s after %lld updates (%lld:%02lld:%02lld of the game's clock): %d stages won, %d lost; "
      "GAMEPASSED=%s\n",
      won ? "Winner screen" : "No winner screen", driver.Updates(), driver.Updates() / 360000,
      driver.Updates() / 6000 % 60, driver.Updates() / 100 % 60, wins, losses, passed.c_str());
  std::printf("Stage clocks add up to %lld:%02lld:%02lld.\n", seconds / 3600, seconds / 60 % 60, seconds % 60);
  fs::remove_all(data);
  return won && passed == "1" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string game, shots;
  unsigned seed = 1;
  int runs = 1, pace = 15;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--game") {
      game = argv[i + 1];
    } else if (arg == "--seed") {
      seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (arg == "--runs") {
      runs = std::atoi(argv[i + 1]);
    } else if (arg == "--shots") {
      shots = argv[i + 1];
    } else if (arg == "--pace") {
      pace = std::atoi(argv[i + 1]);
    } else {
      std::fprintf(stderr, "usage: campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS] | --shots OUTDIR\n");
      return 2;
    }
  }
  if (game.empty() || runs < 1 || pace < 1) {
    std::fprintf(stderr, "usage: campaignbot --game DIR [--seed N] [--runs K] [--pace TICKS] | --shots OUTDIR\n");
    return 2;
  }
  if (!shots.empty()) return TakeShots(fs::absolute(game).string(), fs::absolute(shots));
  int failures = 0;
  for (int run = 0; run < runs; ++run) failures += Run(game, seed + unsigned(run), pace);
  return failures == 0 ? 0 : 1;
}
