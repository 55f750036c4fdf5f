#include "game/core/Profile.h"

#include <algorithm>
#include <cstdlib>

#include "game/core/IniFile.h"

namespace Orva {
namespace {

long long ReadWhole(const IniFile& file, const char* key, long long fallback, long long low, long long high) {
  return std::clamp<long long>(file.GetInt(kProfileSection, key, int(fallback)), low, high);
}

// A volume from 0 to 1; text that is no number reads as 0, as it always has.
double ReadVolume(const IniFile& file, const char* key, double fallback) {
  if (!file.HasKey(kProfileSection, key)) return fallback;
  const std::string text = file.GetString(kProfileSection, key, "");
  const double value = std::strtod(text.c_str(), nullptr);
  if (!(value >= 0)) return 0;  // also NaN
  return std::min(value, 1.0);
}

}  // namespace

ProfileValues ReadProfileValues(const IniFile& file) {
  ProfileValues v;
  const long long maxScore = ProfileValues::kMaxScore;
  v.fullScreen = file.GetInt(kProfileSection, "FULLSCR", 0) != 0;
  v.music = ReadVolume(file, "MUSIC", 0.6);
  v.sound = ReadVolume(file, "SOUND", 1.0);
  v.level = int(ReadWhole(file, "LEVEL", 1, 1, ProfileValues::kLevels));
  v.stage = int(ReadWhole(file, "STAGE", 1, 1, 1000));
  v.firstBoss = file.GetInt(kProfileSection, "FB", 0) != 0 ? 1 : 0;
  // No lives (or fewer) is what a lost campaign leaves behind: the map gives three again.
  v.lives = int(ReadWhole(file, "LIVES", 3, 0, ProfileValues::kMaxLives));
  if (v.lives == 0) v.lives = 3;
  v.totalScore = ReadWhole(file, "TOTALSCORE", 0, 0, maxScore);
  v.gamePassed = file.GetInt(kProfileSection, "GAMEPASSED", 0) != 0 ? 1 : 0;
  v.endlessScore = ReadWhole(file, "ENDLSCORE", 0, 0, maxScore);
  v.endlessSpeed = int(ReadWhole(file, "ENDLSPEED", 0, 0, 4));
  v.endlessMinutes = int(ReadWhole(file, "ENDLMIN", 0, 0, 100000));
  v.endlessSeconds = int(ReadWhole(file, "ENDLSEC", 0, 0, 59));
  v.endlessChain = int(ReadWhole(file, "ENDLCHAIN", 0, 0, 135));
  v.lastLifeScore = ReadWhole(file, "LS", 0, 0, maxScore);
  return v;
}

std::string ProfileNameProblem(const std::string& name) {
  if (name.find('.') != std::string::npos) return kNameWithDotsMessage;
  bool onlyBlanks = true;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\')
      return "Sorry, a name can not hold slashes or control characters";
    if (c != ' ') onlyBlanks = false;
  }
  if (onlyBlanks) return "Sorry, a name needs more than blanks";
  return "";
}

}  // namespace Orva
