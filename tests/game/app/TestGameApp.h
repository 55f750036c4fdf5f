#pragma once

// The game application driven headless for tests: manual clock, scripted input through the
// headless window system, the silent audio device, and the built game folder as working folder.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/WidgetManager.h"
#include "game/app/GameApp.h"

namespace Orva {

struct FatalExitCalled : std::runtime_error {
  explicit FatalExitCalled(int exitCode) : std::runtime_error("fatal exit"), code(exitCode) {}
  int code;
};

class TestGameApp : public GameApp {
 public:
  TestGameApp(const std::string& dataFolder, const std::vector<std::string>& switches, bool withoutDevice) {
    dataDirectory = dataFolder;
    startLoaderOnRun = false;
    noDevice = withoutDevice;
    fatalExitHandler = [](int code) { throw FatalExitCalled(code); };
    auto system = std::make_unique<HeadlessWindowSystem>();
    input = system.get();
    SetWindowSystem(std::move(system));
    std::vector<const char*> argv = {"mirovale", "-headless"};
    for (const std::string& s : switches) argv.push_back(s.c_str());
    SetCommandLine(int(argv.size()), argv.data());
  }

  // The fixture has already made the game folder the working folder.
  bool WorkingDirHook(const std::string&) override { return true; }
  AudioDevicePtr OpenAudioDevice() override { return noDevice ? nullptr : AudioDevice::OpenNull(); }

  // Runs the real loading thread and the loop until the loop has seen it end.
  void Load() {
    StartLoaderThread();
    for (int i = 0; i < 10000000 && !loaded; ++i) StepUntilUpdate();
    ASSERT_TRUE(loaded);
  }
  // Loop steps until the scripted input is used up and handled, then a few updates more.
  void Drain(int updates = 3) {
    for (int i = 0; i < 1000 && (input->PendingMessages() > 0 || !deferredMessages.empty() || loopState == 0); ++i) {
      bool updated = false;
      StepLoop(&updated);
    }
    for (int i = 0; i < updates; ++i) StepUntilUpdate();
  }
  void Focus(bool focus) {
    input->QueueMessage(MSG_ACTIVATEAPP, focus ? 1 : 0);
    Drain();
  }
  void Click() {
    input->QueueMouseDown(100, 400);
    input->QueueMouseUp(100, 400);
    Drain();
  }
  bool OverlayShown() { return widgetManager->HasWidget(&mPauseWidget); }
  static bool Playing(const OutputStreamPtr& sound) { return sound && sound->IsPlaying(); }

  HeadlessWindowSystem* input = nullptr;
  bool noDevice = false;
};

}  // namespace Orva
