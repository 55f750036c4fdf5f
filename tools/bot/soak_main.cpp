// soakbot: plays the campaign for a long time while things go wrong around it, and checks that no
// profile or setting is ever lost or damaged.
//
//   soakbot --game DIR [--seed N] [--seeds K] [--minutes M] [--kill-after SECONDS]
//
// For each seed a supervisor starts the game in a child process (headless, in a data folder of its
// own that outlives the children) and plays the campaign through its screens with the campaign
// driver for M minutes of the game's clock (default 60). While it plays, the hand also loses and
// regains the window's focus, pauses with Escape, restarts stages from the game menu, changes the
// volumes in the settings, and switches between three profiles at start-up; all at random moments
// drawn from the seed. The supervisor kills the child with SIGKILL at a random moment (on average
// after --kill-after seconds of real time, default 4: a headless game plays a minute in about a
// second) and starts it again where the files say.
//
// After every child it checks the data folder: the settings file reads cleanly, every profile that
// existed is still there, reads cleanly and has kept every key it had, and the last player names a
// profile. A child that ends by itself in any other way than finishing its share (a sanitizer
// report, a crash) fails the run. It reports, for each hour of play, the largest resident size any
// child reached, and the temporary files left by writes a kill cut short.
//
// Build it in the sanitizer build (scripts/test.sh --sanitize) to run under the sanitizers. With
// SOAKBOT_VERBOSE set it tells each life and, now and then, where the game stands.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "framework/app/RegistryStore.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/ListWidget.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/WidgetManager.h"
#include "game/board/Board.h"
#include "game/core/IniFile.h"
#include "game/screens/GameDialog.h"
#include "game/screens/GameMenu.h"
#include "game/screens/MainMenu.h"
#include "game/screens/ProfilesDlg.h"
#include "game/screens/SettingsDlg.h"
#include "game/screens/WinnerWidget.h"
#include "tools/bot/CampaignApp.h"
#include "tools/bot/CampaignDriver.h"

namespace {

using namespace Orva;
namespace fs = std::filesystem;

constexpr long long kUpdatesPerMinute = 100 * 60;
// The first player is the name typed at the first start; the others are made beside it.
const char* const kOtherPlayers[] = {"Soak Two", "Soak Three"};

// What the child tells the supervisor, rewritten now and then: the updates it has played and the
// moves of its own the hand made.
struct Progress {
  long long updates = 0;
  int moves = 0;
};

void WriteProgress(const fs::path& file, Progress progress) {
  std::ofstream(file, std::ios::trunc) << progress.updates << " " << progress.moves << "\n";
}

Progress ReadProgress(const fs::path& file) {
  Progress progress;
  std::ifstream(file) >> progress.updates >> progress.moves;
  return progress;
}

// The hand's own moves, mixed into the driver's: each is a short script of clicks and keys that
// starts when the dice say so and the game is in a state where a player could do it.
class Mischief {
 public:
  Mischief(CampaignApp& app, CampaignDriver& hand, unsigned seed) : app_(app), hand_(hand), random_(seed) {}

  // Called whenever the hand is free; true when it made a move.
  bool Act() {
    if (step_ != Script::None) return Continue();
    Board& board = *app_.mBoard;
    const bool playing = app_.mScreenState == GameApp::STATE_STAGE && app_.dialogOrder.empty() && board.IsActive() &&
                         !board.IsFilling() && !app_.mSlide.active;
    if (!playing) return false;
    std::uniform_int_distribution<int> dice(0, 9999);
    const int roll = dice(random_);
    if (roll < 8) return Begin(Script::FocusLoss);
    if (roll < 14) return Begin(Script::EscapePause);
    if (roll < 17) return Begin(Script::Restart);
    if (roll < 21) return Begin(Script::Settings);
    return false;
  }

  // At start-up, in the main menu at rest: once, and then only every other time, another player
  // first. The other players are made once the first one has a profile.
  bool SwitchPlayer() {
    if (switchTried_ || !app_.mMainMenu || !app_.mMainMenu->visible || app_.mSlide.active ||
        !app_.dialogOrder.empty() || app_.mProfiles.Count() == 0)
      return false;
    switchTried_ = true;
    for (const char* name : kOtherPlayers)
      if (!app_.mProfiles.Contains(name)) app_.mProfiles.Create(name, false);
    std::uniform_int_distribution<int> coin(0, 1);
    if (coin(random_) == 0) return false;
    return Begin(Script::SwitchPlayer);
  }

  int moves = 0;

 private:
  enum class Script { None, FocusLoss, EscapePause, Restart, Settings, SwitchPlayer };

  bool Begin(Script script) {
    step_ = script;
    phase_ = 0;
    startedAt_ = hand_.Updates();
    ++moves;
    return Continue();
  }
  bool Done() {
    step_ = Script::None;
    return false;
  }
  template <typename T>
  T* Front() {
    return app_.Front<T>();
  }
  int Ticks(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Wait(int ticks) {
    waitUntil_ = hand_.Updates() + ticks;
    return true;
  }
  bool Waiting() const { return hand_.Updates() < waitUntil_; }
  bool PauseShown() { return app_.widgetManager->HasWidget(&app_.mPauseWidget); }

  bool Continue() {
    // A script that meets a screen it did not expect leaves the hand to the driver.
    if (hand_.Updates() - startedAt_ > 3000) return Done();
    if (Waiting()) return true;
    HeadlessWindowSystem& input = app_.Input();
    switch (step_) {
      case Script::None: return false;
      case Script::FocusLoss:
        // Away for a while, back, and a click on the overlay to play on.
        if (phase_ == 0) {
          input.QueueMessage(MSG_ACTIVATEAPP, 0);
          ++phase_;
          return Wait(Ticks(20, 600));
        }
        if (phase_ == 1) {
          input.QueueMessage(MSG_ACTIVATEAPP, 1);
          ++phase_;
          return Wait(Ticks(10, 100));
        }
        if (PauseShown()) hand_.Click(&app_.mPauseWidget);
        return Done();
      case Script::EscapePause:
        if (phase_ == 0) {
          input.QueueKeyDown(KEYCODE_ESCAPE);
          input.QueueKeyUp(KEYCODE_ESCAPE);
          ++phase_;
          return Wait(Ticks(20, 400));
        }
        if (PauseShown()) {
          input.QueueKeyDown(KEYCODE_ESCAPE);
          input.QueueKeyUp(KEYCODE_ESCAPE);
        }
        return Done();
      case Script::Restart:
      case Script::Settings: return GameMenuVisit();
      case Script::SwitchPlayer: return ProfileVisit();
    }
    return Done();
  }

  // The field's menu button, then restart (and yes) or settings (a slider moved, then OK).
  bool GameMenuVisit() {
    Board& board = *app_.mBoard;
    if (phase_ == 0) {
      if (board.children.empty()) return Done();
      hand_.Click(board.children.back());
      ++phase_;
      return true;
    }
    GameMenu* menu = Front<GameMenu>();
    if (phase_ == 1) {
      if (menu == nullptr) return app_.dialogOrder.empty() || Front<GameDialog>() ? Done() : true;
      hand_.Click(menu->Button(step_ == Script::Restart ? GameMenu::RESTART : GameMenu::SETTINGS));
      ++phase_;
      return true;
    }
    if (step_ == Script::Restart) {
      // The question: the driver answers it with its first button, yes.
      return Done();
    }
    SettingsDlg* settings = Front<SettingsDlg>();
    if (settings == nullptr) return app_.dialogOrder.empty() || Front<GameMenu>() == nullptr ? Done() : true;
    if (phase_ == 2) {
      Slider* slider = Ticks(0, 1) == 0 ? settings->MusicSlider() : settings->SoundSlider();
      const Point at = slider->GetScreenPos();
      const int x = at.x + Ticks(2, std::max(3, slider->width - 3)), y = at.y + slider->height / 2;
      app_.Input().QueueMouseMove(x, y);
      app_.Input().QueueMouseDown(x, y);
      app_.Input().QueueMouseUp(x, y);
      ++phase_;
      return Wait(20);
    }
    // OK; the game menu that comes back is closed by the driver (resume is its first button).
    for (Widget* child : settings->children)
      if (auto* button = dynamic_cast<ButtonWidget*>(child); button && button->id == SettingsDlg::kOk) {
        hand_.Click(button);
        break;
      }
    return Done();
  }

  // The profiles dialog from the main menu: one of the other players, OK, and yes.
  bool ProfileVisit() {
    if (phase_ == 0) {
      hand_.Click(app_.mMainMenu->Button(MainMenu::PROFILES));
      ++phase_;
      return true;
    }
    // From the OK on, a question or a message in front is the driver's to answer (its first
    // button: yes); the dialog itself is the script's until it has gone, or the driver would
    // press its first button, rename.
    ProfilesDlg* profiles = Front<ProfilesDlg>();
    if (phase_ > 2) {
      if (app_.dialogOrder.empty()) return Done();
      if (profiles == nullptr) return false;
      hand_.Click(profiles->Button(ProfilesDlg::OK));
      return Wait(30);
    }
    if (profiles == nullptr) return app_.dialogOrder.empty() ? Done() : false;
    if (phase_ == 1) {
      // A click on one of the names, as the list reports it (the rows' places depend on the font).
      ListWidget* list = profiles->List();
      const int count = int(list->lines.size());
      if (count > 0) profiles->OnListClicked(list->id, Ticks(0, count - 1), 1);
      ++phase_;
      return Wait(20);
    }
    if (phase_ == 2) {
      hand_.Click(profiles->Button(ProfilesDlg::OK));
      ++phase_;
      return true;
    }
    return Done();
  }

  CampaignApp& app_;
  CampaignDriver& hand_;
  std::mt19937 random_;
  Script step_ = Script::None;
  int phase_ = 0;
  long long waitUntil_ = 0;
  long long startedAt_ = 0;
  bool switchTried_ = false;
};

// One life of the game: plays until killed or until its share of updates is played.
// The resident size of this process now, in kilobytes.
long ResidentKilobytes() {
  long pages = 0, resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One life of the game: plays until killed or until its share of updates is played. Every ten
// seconds of play it samples its resident size; the largest of each hour of play (counted over all
// lives) goes to the memory file as "HOUR KILOBYTES" lines.
int Child(const std::string& game, const fs::path& data, unsigned seed, long long playedBefore, long long updates,
          const fs::path& progress, const fs::path& memory) {
  CampaignApp app(game, data.string(), seed);
  app.drawEveryFrame = false;
  app.Init();
  if (!app.Load()) {
    std::fprintf(stderr, "soakbot: the game did not load\n");
    return 3;
  }
  CampaignDriver hand(app, app.Input(), {"Soak", seed, 15});
  Mischief mischief(app, hand, seed * 7919u + 1);
  bool startedPlaying = false;
  hand.beforeAct = [&] {
    if (!startedPlaying) {
      if (app.mScreenState != GameApp::STATE_MENU)
        startedPlaying = true;
      else if (mischief.SwitchPlayer())
        return true;
    }
    return mischief.Act();
  };
  long long sampledHour = -1;
  long hourPeak = 0;
  for (long long i = 0; i < updates; ++i) {
    if (!hand.Step()) {
      std::fprintf(stderr, "soakbot: the game ended by itself after %lld updates\n", i);
      return 4;
    }
    // The winner screen: the next campaign starts from the main menu, as a player would.
    if (app.mWinnerWidget && !app.mBoard->IsSlidingOut() && app.dialogOrder.empty())
      hand.Click(app.mWinnerWidget->Button());
    if (i % 1000 == 999) {
      WriteProgress(progress, {i + 1, mischief.moves});
      const long long hour = (playedBefore + i) / (60 * kUpdatesPerMinute);
      if (hour != sampledHour && sampledHour >= 0) {
        std::ofstream(memory, std::ios::app) << sampledHour << " " << hourPeak << "\n";
        hourPeak = 0;
      }
      sampledHour = hour;
      hourPeak = std::max(hourPeak, ResidentKilobytes());
    }
    if (i % 20000 == 0 && std::getenv("SOAKBOT_VERBOSE"))
      std::fprintf(stderr, "soakbot: update %lld: screen %d, %zu dialogs (front %s), pause %d, slide %d, menu %d\n", i,
                   int(app.mScreenState), app.dialogOrder.size(),
                   app.dialogOrder.empty() ? "-"
                                           : (std::string(typeid(*app.dialogOrder.front()).name()) + " .. " +
                                              typeid(*app.dialogOrder.back()).name())
                                                 .c_str(),
                   int(app.widgetManager->HasWidget(&app.mPauseWidget)), int(app.mSlide.active),
                   int(app.mMainMenu && app.mMainMenu->visible));
  }
  WriteProgress(progress, {updates, mischief.moves});
  if (sampledHour >= 0) std::ofstream(memory, std::ios::app) << sampledHour << " " << hourPeak << "\n";
  return 0;
}

// Everything the data folder holds that a player would miss: the keys of each profile and of the
// settings. The checks compare one snapshot with the next.
struct Snapshot {
  std::map<std::string, std::set<std::string>> profileKeys;  // profile -> keys
  std::set<std::string> settingNames;
  std::string lastPlayer;
  int temporaryFiles = 0;
};

bool TakeSnapshot(const fs::path& data, Snapshot& out, std::vector<std::string>& problems) {
  out = Snapshot{};
  const fs::path users = data / "properties/users";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(users, error)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".tmp")) {
      ++out.temporaryFiles;
      continue;
    }
    IniFile profile(entry.path().string());
    if (!profile.Load()) {
      problems.push_back("profile " + name + " cannot be read: " + profile.Error());
      continue;
    }
    std::set<std::string> keys;
    for (const std::string& section : profile.SectionNames())
      for (const std::string& key : profile.KeyNames(section)) keys.insert(section + "/" + key);
    out.profileKeys[name] = keys;
  }
  // The settings file: wherever the data folder puts it.
  for (const auto& entry : fs::recursive_directory_iterator(data, error)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".tmp") && entry.path().parent_path() != users) ++out.temporaryFiles;
    if (name != "registry.reg") continue;
    RegistryStore settings;
    settings.SetFile(entry.path().string());
    if (!settings.Load()) problems.push_back("the settings file " + entry.path().string() + " is damaged");
    const std::string text = settings.ToText();
    for (size_t at = text.find("\n\""); at != std::string::npos; at = text.find("\n\"", at + 1))
      out.settingNames.insert(text.substr(at + 1, text.find('=', at) - at - 1));
    const size_t player = text.find("\n\"luser\"=\"");
    if (player != std::string::npos) {
      const size_t start = player + 10;
      out.lastPlayer = text.substr(start, text.find('"', start) - start);
    }
  }
  return problems.empty();
}

void Compare(const Snapshot& before, const Snapshot& after, std::vector<std::string>& problems) {
  for (const auto& [name, keys] : before.profileKeys) {
    const auto found = after.profileKeys.find(name);
    if (found == after.profileKeys.end()) {
      problems.push_back("profile " + name + " is gone");
      continue;
    }
    for (const std::string& key : keys)
      if (!found->second.contains(key)) problems.push_back("profile " + name + " lost " + key);
  }
  for (const std::string& name : before.settingNames)
    if (!after.settingNames.contains(name)) problems.push_back("the setting " + name + " is gone");
  if (!after.lastPlayer.empty() && !after.profileKeys.contains(after.lastPlayer))
    problems.push_back("the last player " + after.lastPlayer + " has no profile");
}

long PeakKilobytes(const rusage& usage) { return usage.ru_maxrss; }

int Soak(const std::string& game, unsigned seed, int minutes, double killAfter) {
  const fs::path data = fs::temp_directory_path() / ("soakbot_" + std::to_string(seed));
  const fs::path progress = data.string() + ".progress";
  const fs::path memory = data.string() + ".memory";
  fs::remove_all(data);
  fs::remove(memory);
  const long long target = minutes * kUpdatesPerMinute;
  std::mt19937 random(seed);
  std::exponential_distribution<double> lifetime(1.0 / killAfter);
  long long played = 0;
  int lives = 0, kills = 0, failures = 0, leftovers = 0, moves = 0;
  long lifePeak = 0;  // the largest resident size any life reached, loading included (KB)
  Snapshot before;
  std::vector<std::string> problems;
  const auto started = std::chrono::steady_clock::now();
  while (played < target && failures == 0) {
    WriteProgress(progress, {});
    const unsigned childSeed = seed * 1000u + unsigned(lives);
    const pid_t child = fork();
    if (child < 0) {
      std::perror("soakbot: fork");
      return 1;
    }
    if (child == 0) {
      // The game's own result lines would bury the report.
      if (std::freopen("/dev/null", "w", stdout) == nullptr) std::_Exit(5);
      const int code = Child(game, data, childSeed, played, target - played, progress, memory);
      std::fflush(nullptr);
      std::_Exit(code);
    }
    ++lives;
    // A kill at a random moment of real time, somewhere from the loading screen to deep in play.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(long(1000 * std::max(0.2, lifetime(random))));
    int status = 0;
    rusage usage{};
    bool killed = false;
    for (;;) {
      const pid_t done = wait4(child, &status, WNOHANG, &usage);
      if (done == child) break;
      if (std::chrono::steady_clock::now() >= deadline && !killed) {
        kill(child, SIGKILL);
        killed = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const Progress life = ReadProgress(progress);
    moves += life.moves;
    lifePeak = std::max(lifePeak, PeakKilobytes(usage));
    played += life.updates;
    if (std::getenv("SOAKBOT_VERBOSE"))
      std::fprintf(stderr, "soakbot: life %d: %lld updates, %d moves, %s\n", lives, life.updates, life.moves,
                   killed ? "killed" : "finished");
    if (killed && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) {
      ++kills;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "soakbot: seed %u, life %d ended by itself (%s %d) after %lld updates\n", seed, lives,
                   WIFSIGNALED(status) ? "signal" : "exit code",
                   WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status), life.updates);
      ++failures;
    }
    Snapshot after;
    problems.clear();
    TakeSnapshot(data, after, problems);
    Compare(before, after, problems);
    for (const std::string& problem : problems)
      std::fprintf(stderr, "soakbot: seed %u, after life %d: %s\n", seed, lives, problem.c_str());
    failures += int(problems.size());
    leftovers = after.temporaryFiles;
    before = std::move(after);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf(
      "\nSeed %u: %lld:%02lld of play in %.0f s of real time, %d lives (%d killed), at least %d moves "
      "of the hand's own, %d problems, %d temporary files left by cut writes, %zu profiles\n",
      seed, played / (60 * kUpdatesPerMinute), played / kUpdatesPerMinute % 60, seconds, lives, kills, moves, failures,
      leftovers, before.profileKeys.size());
  // Samples of killed lives that had not finished their hour are lost with them: the table shows
  // what the lives that reached the end of an hour (or of the run) saw.
  std::map<long long, long> peakByHour;
  {
    std::ifstream in(memory);
    long long hour = 0;
    long kilobytes = 0;
    while (in >> hour >> kilobytes) peakByHour[hour] = std::max(peakByHour[hour], kilobytes);
  }
  std::printf("Largest resident size of a life, loading included: %.1f MB\n", lifePeak / 1024.0);
  std::printf("| hour of play | largest resident size in play |\n|---:|---:|\n");
  for (const auto& [hour, kilobytes] : peakByHour) std::printf("| %lld | %.1f MB |\n", hour + 1, kilobytes / 1024.0);
  std::fflush(stdout);
  fs::remove_all(data);
  fs::remove(progress);
  fs::remove(memory);
  return failures == 0 ? 0 : 1;
}

int Usage() {
  std::fprintf(stderr, "usage: soakbot --game DIR [--seed N] [--seeds K] [--minutes M] [--kill-after SECONDS]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string game;
  unsigned seed = 1;
  int seeds = 1, minutes = 60;
  double killAfter = 4;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--game") {
      game = argv[i + 1];
    } else if (arg == "--seed") {
      seed = unsigned(std::strtoul(argv[i + 1], nullptr, 10));
    } else if (arg == "--seeds") {
      seeds = std::atoi(argv[i + 1]);
    } else if (arg == "--minutes") {
      minutes = std::atoi(argv[i + 1]);
    } else if (arg == "--kill-after") {
      killAfter = std::atof(argv[i + 1]);
    } else {
      return Usage();
    }
  }
  if (game.empty() || seeds < 1 || minutes < 1 || !(killAfter > 0)) return Usage();
  int failures = 0;
  for (int k = 0; k < seeds; ++k) failures += Soak(fs::absolute(game).string(), seed + unsigned(k), minutes, killAfter);
  return failures == 0 ? 0 : 1;
}
