// The settings file and the command line.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/app/OrvaAppBase.h"

namespace Orva {

namespace {
// The farthest a stored window position may lie from the desktop's origin.
constexpr int kMaxWindowPosition = 32768;
}  // namespace

std::string OrvaAppBase::SettingsFilePath() const {
  std::string folder = !dataDirectory.empty() ? dataDirectory : ConfigFolderFor(registryKey);
  if (registryKey.empty() || folder.empty()) return std::string();
  if (folder.back() != '/') folder += '/';
  return folder + "registry.reg";
}

namespace {

// "SOFTWARE\" + key, and a value name's own subkeys ("Test3D\RuntimeError") moved onto the key.
void SplitValueName(const std::string& registryKey, const std::string& valueName, std::string& keyPath,
                    std::string& name) {
  std::string key = registryKey;
  if (!key.empty() && (key.back() == '\\' || key.back() == '/')) key.pop_back();
  keyPath = "SOFTWARE\\" + key;
  const size_t slash = valueName.rfind('\\');
  if (slash == std::string::npos) {
    name = valueName;
  } else {
    keyPath += "\\" + valueName.substr(0, slash);
    name = valueName.substr(slash + 1);
  }
}

}  // namespace

bool OrvaAppBase::StoreValue(const std::string& valueName, RegistryStore::Type type, const std::string& data) {
  if (registryKey.empty()) return false;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  return registry.Store(keyPath, name, type, data);
}

bool OrvaAppBase::StoreText(const std::string& valueName, const std::string& text) {
  return StoreValue(valueName, RegistryStore::Type::String, text);
}

bool OrvaAppBase::StoreInt(const std::string& valueName, int value) {
  std::string data(4, '\0');
  const uint32_t bits = uint32_t(value);
  for (int i = 0; i < 4; ++i) data[size_t(i)] = char((bits >> (8 * i)) & 0xFF);
  return StoreValue(valueName, RegistryStore::Type::Dword, data);
}

bool OrvaAppBase::StoreFlag(const std::string& valueName, bool value) { return StoreInt(valueName, value ? 1 : 0); }

bool OrvaAppBase::FetchValue(const std::string& valueName, RegistryStore::Type& type, std::string& data) {
  if (registryKey.empty()) return false;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  RegistryStore::Value value;
  if (!registry.Fetch(keyPath, name, value)) return false;
  type = value.type;
  data = value.data;
  return true;
}

bool OrvaAppBase::FetchText(const std::string& valueName, std::string& text) {
  RegistryStore::Type type;
  std::string data;
  if (!FetchValue(valueName, type, data) || type != RegistryStore::Type::String) return false;
  text = data.substr(0, 1023);
  return true;
}

bool OrvaAppBase::FetchInt(const std::string& valueName, int& value) {
  RegistryStore::Type type;
  std::string data;
  if (!FetchValue(valueName, type, data) || type != RegistryStore::Type::Dword || data.size() != 4) return false;
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= uint32_t(static_cast<unsigned char>(data[size_t(i)])) << (8 * i);
  value = int(bits);
  return true;
}

bool OrvaAppBase::FetchFlag(const std::string& valueName, bool& value) {
  int number = 0;
  if (!FetchInt(valueName, number)) return false;
  value = number != 0;
  return true;
}

void OrvaAppBase::EraseStoredValue(const std::string& valueName) {
  if (registryKey.empty()) return;
  std::string keyPath, name;
  SplitValueName(registryKey, valueName, keyPath, name);
  registry.Erase(keyPath, name);
}

void OrvaAppBase::LoadSettings() {
  registryRead = true;
  registryKey = GetString("RegistryKey", registryKey);
  registry.SetFile(SettingsFilePath());
  if (!registry.Load() && !registry.FilePath().empty()) {
    // Said once here: the refused saves that follow stay silent.
    if (registry.Unreadable()) {
      std::fprintf(stderr,
                   "%s: the settings file %s could not be read; it is left as it is and this run's settings "
                   "are not saved\n",
                   productName.c_str(), registry.FilePath().c_str());
    } else {
      std::fprintf(stderr, "%s: the settings file %s is damaged; what could be read is kept\n", productName.c_str(),
                   registry.FilePath().c_str());
    }
  }

  // Stored numbers are checked: a damaged or edited file must not set a volume of 1000 % or a
  // mute that no number of unmutes lifts.
  int value = 0;
  if (FetchInt("MusicVolume", value)) musicVolume = std::clamp(value, 0, 100) / 100.0;
  if (FetchInt("SfxVolume", value)) sfxVolume = std::clamp(value, 0, 100) / 100.0;
  if (FetchInt("Muted", value)) muteCount = value != 0 ? 1 : 0;
  if (FetchInt("ScreenMode", value)) windowed = value == 0;
  // Positions far past any desktop are damage; kept to a range where adding the window's size
  // cannot overflow, like the volumes.
  if (FetchInt("PreferredX", value)) preferredX = std::clamp(value, -kMaxWindowPosition, kMaxWindowPosition);
  if (FetchInt("PreferredY", value)) preferredY = std::clamp(value, -kMaxWindowPosition, kMaxWindowPosition);
  if (FetchInt("PreferredWidth", value)) preferredWidth = std::clamp(value, 0, kMaxWindowPosition);
  if (FetchInt("PreferredHeight", value)) preferredHeight = std::clamp(value, 0, kMaxWindowPosition);
  if (FetchInt("CustomCursors", value)) UseCustomCursors(value != 0);
  if (FetchInt("WaitForVSync", value)) waitForVSync = value != 0;
  if (FetchInt("PixelPerfect", value)) pixelPerfect = value != 0;
  // An unknown word keeps the automatic choice.
  if (std::string path; FetchText("PresentPath", path)) ParsePresentPath(path, presentPath);
  if (FetchInt("InProgress", value)) cleanExitLastTime = value == 0;
  if (!screenSaverMode) StoreInt("InProgress", 1);
}

void OrvaAppBase::SaveSettings() {
  StoreInt("MusicVolume", int(musicVolume * 100));
  StoreInt("SfxVolume", int(sfxVolume * 100));
  StoreInt("Muted", muteCount - autoMuteCount > 0 ? 1 : 0);
  StoreInt("ScreenMode", windowed ? 0 : 1);
  StoreInt("PreferredX", preferredX);
  StoreInt("PreferredY", preferredY);
  if (preferredWidth > 0 && preferredHeight > 0) {
    StoreInt("PreferredWidth", preferredWidth);
    StoreInt("PreferredHeight", preferredHeight);
  }
  StoreInt("CustomCursors", customCursorsEnabled ? 1 : 0);
  StoreInt("InProgress", 0);
  StoreInt("WaitForVSync", waitForVSync ? 1 : 0);
  StoreInt("PixelPerfect", pixelPerfect ? 1 : 0);
  StoreText("PresentPath", PresentPathName(presentPath));
}

void OrvaAppBase::ReadCommandLine() {
  commandLineParsed = true;
  size_t start = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const size_t close = commandLine.find('"', 1);
    if (close == std::string::npos) return;
    start = close + 1;
  }
  const size_t space = commandLine.find(' ', start);
  if (space != std::string::npos) SplitSwitches(commandLine.substr(space + 1));
}

void OrvaAppBase::SplitSwitches(const std::string& text) {
  std::string name, value;
  bool inQuote = false;
  bool afterEquals = false;
  auto finish = [&] {
    if (!name.empty()) ApplySwitch(name, value);
    name.clear();
    value.clear();
    afterEquals = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    bool endsSwitch = false;
    if (c == '"') {
      inQuote = !inQuote;
      if (!inQuote) endsSwitch = true;
    } else if (c == '=' && !afterEquals) {
      // Only the first "=" ends the name: a value may hold more ("-datadir=/games/a=b").
      afterEquals = true;
    } else if (c == ' ' && !inQuote) {
      endsSwitch = true;
    } else {
      (afterEquals ? value : name) += c;
    }
    if (endsSwitch || i + 1 == text.size()) finish();
  }
}

void OrvaAppBase::ApplySwitch(const std::string& name, const std::string& value) {
  // Demo recording and the crash reporter are not part of this build: their switches are
  // accepted and do nothing.
  if (name == "-play" || name == "-record" || name == "-recnum" || name == "-playnum" || name == "-demofile" ||
      name == "-crash") {
    return;
  }
  if (name == "-screensaver") {
    screenSaverMode = true;
  } else if (name == "-changedir") {
    appDirectory = value;
    appDirectoryGiven = true;
  } else if (name == "-headless") {
    headless = true;
  } else if (name == "-seed") {
    randomSeedFixed = true;
    randomSeed = unsigned(std::strtoul(value.c_str(), nullptr, 10));
  } else if (name == "-datadir") {
    dataDirectory = value;
  } else if (name == "--help" || name == "-h") {
    std::printf("Usage: %s [SWITCH]...\n\n%s", productName.c_str(), SwitchHelp().c_str());
    FatalExit(0);
  } else if (name == "--version") {
    std::printf("%s %s\n", productName.c_str(), productVersion.c_str());
    FatalExit(0);
  } else {
    // Code 2, as command-line programs answer a usage mistake, so that scripts notice.
    ShowErrorBox(GetString("INVALID_COMMANDLINE_PARAM", "Invalid command line parameter: ") + name);
    FatalExit(2);
  }
}

std::string OrvaAppBase::SwitchHelp() const {
  return "  -headless         no window: a headless display with a manual clock (tests and tools)\n"
         "  -seed=N           start the random generators from N (reproducible runs)\n"
         "  -datadir=PATH     keep settings and written files in PATH\n"
         "  -changedir=PATH   read the program's data from PATH\n"
         "  -screensaver      screen-saver mode\n"
         "  -h, --help        print this and exit\n"
         "  --version         print the version and exit\n";
}

}  // namespace Orva
