// Any bytes as the game's command line: NUL-separated arguments, the first the program's path.
// They are joined the way the classic command line has them and split again by the game.
//  - Nothing crashes; an unknown switch or a bad -play request ends the program (here: throws).
//  - Arguments without quote characters come back as the switches they are: the name up to the
//    first "=", the value after it.
//  - A -play request that was taken is one the game can start, and is what its text says.
// The whole input is also split as one command-line text, and read as a -play request.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "game/app/GameApp.h"

namespace {

using Orva::PlayRequest;
using Orva::Fuzz::Check;

struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("program ended") {}
};

using Switches = std::vector<std::pair<std::string, std::string>>;

class SwitchRecorder : public Orva::GameApp {
 public:
  SwitchRecorder() {
    startLoaderOnRun = false;
    fatalExitHandler = [](int) { throw ProgramEnded(); };
  }
  void ApplySwitch(const std::string& name, const std::string& value) override {
    applied.emplace_back(name, value);
    GameApp::ApplySwitch(name, value);
  }
  Switches applied;
};

bool InRange(const PlayRequest& r) {
  switch (r.kind) {
    case PlayRequest::NONE: return true;
    case PlayRequest::ENDLESS: return true;
    case PlayRequest::CUSTOM: return r.level >= 1 && r.level <= 30;
    case PlayRequest::STORY: return r.level >= 1 && r.level <= 30 && r.stage >= 1 && r.stage <= 9999;
  }
  return false;
}

bool SameRequest(const PlayRequest& a, const PlayRequest& b) {
  return a.kind == b.kind && (a.kind == PlayRequest::ENDLESS || a.kind == PlayRequest::NONE ||
                              (a.level == b.level && (a.kind != PlayRequest::STORY || a.stage == b.stage)));
}

// What the program should see of the arguments: each non-empty argument a switch, named up to
// its first "=", nameless ones dropped. Only meaningful when no argument holds a quote.
Switches Expected(const std::vector<std::string>& args) {
  Switches expected;
  for (size_t i = 1; i < args.size(); ++i) {
    const size_t equals = args[i].find('=');
    std::string name = args[i].substr(0, equals);
    if (name.empty()) continue;
    expected.emplace_back(std::move(name), equals == std::string::npos ? "" : args[i].substr(equals + 1));
  }
  return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string whole(reinterpret_cast<const char*>(data), size);
  PlayRequest request;
  request.level = 77;
  if (PlayRequest::Parse(whole, request))
    Check(InRange(request), "a -play request out of range");
  else
    Check(request.level == 77, "a refused -play request changed the request");

  Orva::Fuzz::ByteReader input(data, size);
  std::vector<std::string> args;
  bool quoted = false;
  do {
    args.push_back(input.Field());
    quoted = quoted || args.back().find('"') != std::string::npos;
  } while (!input.Empty() && args.size() < 64);
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());

  SwitchRecorder app;
  app.SetCommandLine(int(argv.size()), argv.data());
  bool ended = false;
  try {
    app.ReadCommandLine();
  } catch (const ProgramEnded&) {
    ended = true;
  }
  Check(InRange(app.GetPlayRequest()), "the -play request taken is out of range");
  if (!quoted) {
    const Switches expected = Expected(args);
    // An ending switch is the last one seen.
    Check(ended ? app.applied.size() <= expected.size() &&
                      Switches(expected.begin(), expected.begin() + long(app.applied.size())) == app.applied
                : app.applied == expected,
          "the switches seen are not the arguments given");
  }
  // The last -play seen decides the request; one the game refused ended the program.
  for (auto it = app.applied.rbegin(); it != app.applied.rend(); ++it) {
    if (it->first != "-play") continue;
    PlayRequest parsed;
    if (PlayRequest::Parse(it->second, parsed)) Check(SameRequest(parsed, app.GetPlayRequest()), "another -play taken");
    break;
  }

  SwitchRecorder split;
  try {
    split.SplitSwitches(whole);
  } catch (const ProgramEnded&) {
  }
  Check(InRange(split.GetPlayRequest()), "the -play request taken is out of range");
  return 0;
}
