// The input drives the profile store through creates, renames, deletes, loads, clears and
// listings on a real folder, with names from the input: hostile ones too (slashes, dots, empty,
// far too long, not UTF-8, names of profiles that exist). A model of the folder is kept beside it.
// After every step:
//  - the folder holds exactly the model's profiles, each with the content it had: only the one
//    deleted, or the one renamed (under its new name), differs;
//  - nothing outside the folder has changed (a file beside it stands for the player's other files);
//  - a listing names exactly the model's profiles.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "framework/platform/HeadlessWindowSystem.h"
#include "fuzz/FuzzSupport.h"
#include "game/app/GameApp.h"
#include "game/core/Profile.h"
#include "game/screens/StoryWidget.h"

namespace {

namespace fs = std::filesystem;
using Orva::Fuzz::ByteReader;
using Orva::Fuzz::Check;

constexpr const char* kKeptText = "a file of the player's that no profile is";

// base/users/ is the profile folder; base/outside/kept lies beside it.
struct Scratch {
  fs::path base, users, kept;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "orva-profiles-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    base = pattern;
    users = base / "users";
    kept = base / "outside" / "kept";
    fs::create_directories(kept.parent_path());
    std::ofstream(kept) << kKeptText;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(base, ec);
  }
};

// Just enough of the game for the store: the level map it sets, and a headless window system for
// the screen mode a profile asks for.
class ProfileApp : public Orva::GameApp {
 public:
  ProfileApp() {
    startLoaderOnRun = false;
    SetWindowSystem(std::make_unique<Orva::HeadlessWindowSystem>());
    mStoryWidget = std::make_unique<Orva::StoryWidget>(this);
  }
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

using Model = std::map<std::string, std::string>;  // profile name -> file content

void Verify(const Scratch& scratch, const Model& model) {
  Check(Entries(scratch.base) == std::vector<std::string>{"outside", "users"} ||
            Entries(scratch.base) == std::vector<std::string>{"users", "outside"},
        "something beside the profile folder came or went");
  Check(Entries(scratch.kept.parent_path()).size() == 1 && ReadFile(scratch.kept) == kKeptText,
        "a file outside the profile folder changed");
  std::vector<std::string> files = Entries(scratch.users);
  Check(files.size() == model.size(), "the profile folder holds other files than the profiles");
  for (const auto& [name, content] : model) {
    std::error_code ec;
    Check(fs::is_regular_file(scratch.users / name, ec), "a profile is missing");
    Check(ReadFile(scratch.users / name) == content, "a profile's content changed");
  }
}

std::string Name(ByteReader& input, const Model& model) {
  static const char* const hostile[] = {"",      ".",           "..",   "../outside/kept", "../outside", "/",
                                        "a/b",   "..\\x",       "Ann.", "x\x01y",          "   ",        "\xff\xfe",
                                        "users", "../users/Ann"};
  switch (input.Byte() % 4) {
    case 0:
      if (!model.empty()) return std::next(model.begin(), input.Byte() % model.size())->first;
      [[fallthrough]];
    case 1: return hostile[input.Byte() % std::size(hostile)];
    case 2: return input.Bytes(input.Byte() % 24);
    default: return std::string(200 + input.Byte(), char('a' + input.Byte() % 26));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch;
  static ProfileApp app;
  std::error_code ec;
  fs::remove_all(scratch.users, ec);
  fs::create_directories(scratch.users, ec);
  Orva::ProfileStore& store = app.mProfiles;
  store.SetFolder(scratch.users.string() + "/");
  store.Clear();
  app.mProfileName.clear();

  Model model;
  int made = 0;
  ByteReader input(data, size);
  for (int step = 0; step < 32 && !input.Empty(); ++step) {
    switch (input.Byte() % 6) {
      case 0: {
        const std::string name = Name(input, model);
        if (store.Create(name, input.Byte() % 2 == 1)) {
          // Each profile gets content of its own, so one written over is seen.
          ++made;
          const std::string content =
              "[DATA]\nLEVEL=" + std::to_string(made % 30 + 1) + "\nLS=" + std::to_string(made) + "\n";
          Check(model.count(name) == 0, "a profile was created over another");
          Check(Orva::ProfileNameProblem(name).empty(), "a profile was created under a name that cannot be one");
          std::ofstream(scratch.users / name, std::ios::binary) << content;
          model[name] = content;
        }
        break;
      }
      case 1: {
        const std::string from = Name(input, model), to = Name(input, model);
        if (store.Rename(from, to) && from != to && model.count(from) != 0) {
          model[to] = model[from];
          model.erase(from);
        }
        break;
      }
      case 2: {
        const std::string name = Name(input, model);
        store.Delete(name);
        model.erase(name);
        break;
      }
      case 3: store.Load(Name(input, model)); break;
      case 4: store.Clear(); break;
      default: {
        store.Enumerate();
        std::vector<std::string> listed(store.Names().begin(), store.Names().end()), expected;
        for (const auto& entry : model) expected.push_back(entry.first);
        Check(listed == expected, "the listing is not the profiles in the folder");
        break;
      }
    }
    Verify(scratch, model);
  }
  return 0;
}
