#pragma once

#include <string>

namespace Orva {

class IniFile;

// What one player's profile file holds, read back with every value kept to what the game can
// play: a damaged or hand-edited file gives a playable profile, never a broken map.
struct ProfileValues {
  static constexpr int kLevels = 30;
  static constexpr int kMaxLives = 5;
  static constexpr long long kMaxScore = 2000000000;  // as far as the saved numbers go

  bool fullScreen = false;
  double music = 0.6;
  double sound = 1.0;
  int level = 1;
  int stage = 1;  // kept to the level's stages by whoever knows how many it has
  int firstBoss = 0;
  int lives = 3;
  long long totalScore = 0;
  int gamePassed = 0;
  long long endlessScore = 0;
  int endlessSpeed = 0;
  int endlessMinutes = 0;
  int endlessSeconds = 0;
  int endlessChain = 0;
  long long lastLifeScore = 0;
};

// The profile's one section and its keys, in the order a new profile writes them.
inline constexpr const char* kProfileSection = "DATA";

// Reads and clamps every key; a missing key gives the value a fresh profile has.
ProfileValues ReadProfileValues(const IniFile& file);

// Why a name cannot be a profile's, as the message the player sees; empty when it can. A name
// becomes a file name in the profile folder and must be listed again: no dot (that also keeps it
// inside the folder), no path separator, no control character, not empty or only blanks.
std::string ProfileNameProblem(const std::string& name);

// The message for a name with a dot, which the menus show as it stands.
inline constexpr const char* kNameWithDotsMessage = "Sorry, user name can not include dots";

}  // namespace Orva
