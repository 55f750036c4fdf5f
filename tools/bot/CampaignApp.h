#pragma once

// The game as the bots drive it: headless, in a data folder of their own, loaded by hand so that
// they can step its loop one update at a time.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/graphics/MemoryImage.h"
#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/resources/ImageBridge.h"
#include "game/app/GameApp.h"

namespace Orva {

// The game, loaded by hand so the bot can step its loop.
class CampaignApp : public GameApp {
 public:
  CampaignApp(const std::string& game, const std::string& data, unsigned seed, const std::string& play = "") {
    startLoaderOnRun = false;
    const std::string dataSwitch = "-datadir=" + data, gameSwitch = "-changedir=" + game,
                      seedSwitch = "-seed=" + std::to_string(seed);
    std::vector<const char*> argv = {"mirovale", "-headless", dataSwitch.c_str(), gameSwitch.c_str(),
                                     seedSwitch.c_str()};
    if (!play.empty()) argv.push_back(play.c_str());
    SetCommandLine(int(argv.size()), argv.data());
  }
  bool Load() {
    StartLoaderThread();
    while (!loaded && !shutdown) StepUntilUpdate();
    return loaded && !LoadingFailed();
  }
  HeadlessWindowSystem& Input() { return *dynamic_cast<HeadlessWindowSystem*>(windowSystem.get()); }
  // Nobody watches a campaign played for its table: a frame in 50 is drawn (the loading screen,
  // which waits to be seen full, every one), so hours of play take minutes.
  bool DrawIfDirty() override {
    if (drawEveryFrame || mLoadingScreen || ++framesSkipped_ % 50 == 0) return GameApp::DrawIfDirty();
    return false;
  }
  bool drawEveryFrame = true;
  // Loop updates until the condition holds; false when it never did.
  template <typename Condition>
  bool RunUntil(Condition condition, int limit = 100000) {
    for (int i = 0; i < limit; ++i) {
      if (condition()) return true;
      if (!StepUntilUpdate()) break;
    }
    return condition();
  }
  void Updates(int n) {
    for (int i = 0; i < n; ++i) StepUntilUpdate();
  }
  // The dialog in front, when it is of this kind and has come to rest.
  template <typename T>
  T* Front() {
    T* dialog = dialogOrder.empty() ? nullptr : dynamic_cast<T*>(dialogOrder.back());
    return dialog && !dialog->Slide().active ? dialog : nullptr;
  }
  bool Shot(const std::filesystem::path& file) {
    HeadlessWindowSystem& input = Input();
    MemoryImage image;
    image.Create(input.FrameWidth(), input.FrameHeight());
    image.ForceAlphaFlags(false, false);
    const auto& frame = input.Frame();
    uint32_t* pixels = image.GetPixels();
    if (pixels == nullptr || frame.size() < size_t(input.FrameWidth()) * size_t(input.FrameHeight())) return false;
    for (size_t i = 0; i < size_t(input.FrameWidth()) * size_t(input.FrameHeight()); ++i)
      pixels[i] = frame[i] | 0xFF000000u;
    image.PixelsChanged();
    const bool written = WriteImagePNG(&image, file.string());
    std::printf("campaignbot: %s %s\n", written ? "wrote" : "could not write", file.string().c_str());
    return written;
  }

 private:
  int framesSkipped_ = 0;
};

}  // namespace Orva
