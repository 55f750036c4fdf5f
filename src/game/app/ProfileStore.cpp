#include "game/app/ProfileStore.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "game/app/GameApp.h"
#include "game/board/Board.h"
#include "game/core/IniFile.h"
#include "game/core/Profile.h"
#include "game/screens/MainMenu.h"
#include "game/screens/StoryWidget.h"

namespace Orva {

namespace fs = std::filesystem;

namespace {

// The registry value that names the last player.
constexpr const char* kLastUserValue = "luser";

// The text of a new profile, keys in their order. "ENDLSCORE" is not written: a new profile has
// no endless result yet.
std::string NewProfileText(bool fullScreen) {
  std::string text = "[DATA]\n";
  text += std::string("FULLSCR=") + (fullScreen ? "1" : "0") + "\n";
  text +=
      "MUSIC=0.5\nSOUND=0.7\nLEVEL=1\nSTAGE=1\nFB=1\nLIVES=3\nTOTALSCORE=0\nGAMEPASSED=0\n"
      "ENDLSPEED=0\nENDLMIN=0\nENDLSEC=0\nENDLCHAIN=0\nLS=0\n";
  return text;
}

}  // namespace

bool ProfileStore::Contains(const std::string& name) const {
  return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void ProfileStore::Enumerate() {
  Clear();
  std::error_code error;
  std::vector<std::string> found;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string name = it->path().filename().string();
    if (ProfileNameProblem(name).empty()) found.push_back(name);
  }
  // The folder's own order changes from one file system to the next; names sort the same anywhere.
  std::sort(found.begin(), found.end());
  names_.assign(found.begin(), found.end());
}

void ProfileStore::LoadLastUsed() {
  Enumerate();
  if (names_.empty()) {
    if (app_->mMainMenu) app_->mMainMenu->askName = true;
    return;
  }
  std::string last;
  if (!app_->FetchText(kLastUserValue, last) || !Contains(last)) last = names_.front();
  app_->mProfileName = last;
  Load(last);
}

bool ProfileStore::Create(const std::string& name, bool makeCurrent) {
  // The menus ask for a free name first; the store still never writes over a profile (listed, or
  // a file of the folder not listed yet) or outside its folder.
  std::error_code unreadable;
  if (!ProfileNameProblem(name).empty() || Contains(name) || fs::is_regular_file(PathOf(name), unreadable)) {
    std::fprintf(stderr, "%s: no profile is created under the name \"%s\"\n", app_->productName.c_str(), name.c_str());
    return false;
  }
  const bool first = names_.empty();
  if (makeCurrent) {
    app_->StoreText(kLastUserValue, name);
    app_->mTotalScore = 0;
    app_->mLives = 3;
    StoryWidget& map = *app_->mStoryWidget;
    map.mLevel = 1;
    map.mStage = 1;
    map.mFirstBoss = 1;
    map.RecomputeAreas();
    app_->mGamePassed = 0;
    app_->mProfileName = name;
    if (app_->mBoard) app_->mBoard->LoadStageCount();
    app_->mEndlessScore = 0;
    app_->mEndlessMinutes = 0;
    app_->mEndlessSeconds = 0;
    app_->mEndlessChain = 0;
    app_->mEndlessSpeed = 0;
    app_->mLastLifeScore = 0;
  }
  IniFile file(PathOf(name));
  file.FromText(NewProfileText(!app_->windowIsWindowed));
  std::error_code error;
  fs::create_directories(folder_, error);
  const bool written = file.Save();
  if (!written) app_->TellProfileWriteFailed(PathOf(name), file.Error());
  // Listed even when unwritten: the player plays on under the name, and is told progress is lost.
  names_.push_back(name);
  if (first) app_->mProfileName = name;
  return written;
}

void ProfileStore::Load(const std::string& name) {
  IniFile file(PathOf(name));
  if (!file.Load())
    std::fprintf(stderr, "%s: cannot read the profile %s (%s); playing it from the start\n", app_->productName.c_str(),
                 PathOf(name).c_str(), file.Error().c_str());
  const ProfileValues values = ReadProfileValues(file);

  app_->ChangeScreenMode(!values.fullScreen);
  if (app_->mThemeMusic) app_->mThemeMusic->SetVolume(float(values.music));
  if (app_->mLevelMusic) app_->mLevelMusic->SetVolume(float(values.music));
  app_->SetEffectsVolume(float(values.sound));

  StoryWidget& map = *app_->mStoryWidget;
  map.mLevel = values.level;
  map.mStage = values.stage;
  map.mFirstBoss = values.firstBoss;
  map.RecomputeAreas();

  app_->mLives = values.lives;
  app_->mTotalScore = values.totalScore;
  app_->mGamePassed = values.gamePassed;
  app_->mEndlessScore = values.endlessScore;
  app_->mEndlessSpeed = values.endlessSpeed;
  app_->mEndlessMinutes = values.endlessMinutes;
  app_->mEndlessSeconds = values.endlessSeconds;
  app_->mEndlessChain = values.endlessChain;
  app_->mLastLifeScore = values.lastLifeScore;

  app_->StoreText(kLastUserValue, name);
  // A stage past the level's last (a damaged file, or a level file that changed) starts the
  // level's last stage.
  if (app_->mBoard && app_->mBoard->LoadStageCount())
    map.mStage = std::clamp(map.mStage, 1, std::max(1, app_->mBoard->stageCount));
  map.RecomputeAreas();
}

void ProfileStore::Delete(const std::string& name) {
  names_.remove(name);
  // A name that cannot be a profile's names no file of the folder (it may name the folder itself,
  // or a file beside it).
  if (!ProfileNameProblem(name).empty()) return;
  std::error_code error;
  fs::remove(PathOf(name), error);
  if (error)
    std::fprintf(stderr, "%s: cannot delete the profile %s: %s\n", app_->productName.c_str(), PathOf(name).c_str(),
                 error.message().c_str());
}

bool ProfileStore::Rename(const std::string& oldName, const std::string& newName) {
  if (oldName == newName) return true;
  // Another player's file is never overwritten, and a name must stay a file of this folder.
  std::error_code error;
  if (Contains(newName) || !ProfileNameProblem(newName).empty() || !ProfileNameProblem(oldName).empty() ||
      fs::exists(PathOf(newName), error))
    return false;
  if (fs::exists(PathOf(oldName), error)) {
    fs::rename(PathOf(oldName), PathOf(newName), error);
    if (error) {
      app_->TellProfileWriteFailed(PathOf(newName), error.message());
      return false;
    }
  }
  auto entry = std::find(names_.begin(), names_.end(), oldName);
  if (entry != names_.end()) *entry = newName;
  return true;
}

}  // namespace Orva
