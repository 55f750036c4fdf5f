// The drawing test card, in a window at the framework's fixed update rate, or written as a PNG.
//
//   testcard                     opens the window; Alt+Enter toggles full screen; Escape or
//                                closing the window ends
//   testcard --headless [--out card.png] [--tick N]
//                                draws the card at update N (default 150) without a display
//   testcard [--headless] --text [--out text.png]
//                                the text card (system and bitmap fonts, layout) instead; the
//                                bitmap font is fonts/vale_sans.txt beside the program
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "demo/TestCard.h"
#include "demo/TextCard.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/ImageHost.h"
#include "framework/platform/FrameClock.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowSystem.h"
#include "framework/resources/ImageBridge.h"

namespace {

struct Options {
  bool headless = false;
  bool text = false;
  std::string out = "testcard.png";
  int tick = 150;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--headless" || arg == "-headless") {
      options.headless = true;
    } else if (arg == "--text") {
      options.text = true;
    } else if (arg == "--out" && i + 1 < argc) {
      options.out = argv[++i];
    } else if (arg == "--tick" && i + 1 < argc) {
      options.tick = std::atoi(argv[++i]);
    } else {
      std::fprintf(stderr,
                   "testcard: unknown option '%s'\nusage: testcard [--text] [--headless [--out FILE] [--tick N]]\n",
                   arg.c_str());
      return false;
    }
  }
  return true;
}

// The game folder: the one holding the executable, whatever the working folder is.
std::filesystem::path GameFolder(const char* argv0) {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) exe = std::filesystem::absolute(argv0, error);
  return exe.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace Orva;
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;

  auto system = CreateWindowSystem(options.headless ? WindowSystemKind::Headless : WindowSystemKind::Desktop);
  if (!system) {
    std::fprintf(stderr, "testcard: no display could be opened (try --headless)\n");
    return 1;
  }
  WindowOptions windowOptions;
  windowOptions.title = "Orva test card";
  const WindowHandle window = system->CreateMainWindow(windowOptions);
  if (!window) {
    std::fprintf(stderr, "testcard: the window could not be created\n");
    return 1;
  }
  std::recursive_mutex displayLock;
  ImageRegistry images(displayLock);
  DDInterface display(system.get(), &images, displayLock);
  const int result = display.Init(window, true, windowOptions.width, windowOptions.height);
  if (result != DDInterface::RESULT_OK) {
    std::fprintf(stderr, "testcard: %s %s\n", DDInterface::ResultName(result), display.errorText.c_str());
    return 1;
  }
  TestCard card(&images);
  std::unique_ptr<TextCard> textCard;
  if (options.text) {
    textCard = std::make_unique<TextCard>(&images, (GameFolder(argv[0]) / kTextCardFont).string());
    if (!textCard->BitmapFontProblem().empty())
      std::fprintf(stderr, "testcard: bitmap font not used: %s\n", textCard->BitmapFontProblem().c_str());
  }

  if (options.headless) {
    Graphics g(display.GetScreenImage());
    if (textCard) {
      textCard->Draw(g);
    } else {
      card.Draw(g, options.tick);
    }
    display.Redraw();
    if (!WriteImagePNG(display.GetScreenImage(), options.out)) {
      std::fprintf(stderr, "testcard: could not write %s\n", options.out.c_str());
      return 1;
    }
    std::printf("testcard: wrote %s\n", options.out.c_str());
    return 0;
  }

  system->ShowWindow(window, true);
  WindowHandle current = window;
  bool windowed = true;
  int updates = 0;
  uint32_t last = system->GetTickCount();
  uint32_t pending = 0;
  bool running = true;
  while (running) {
    WindowMessage msg;
    while (system->PollMessage(msg)) {
      if (msg.message == MSG_CLOSE || (msg.message == MSG_KEYDOWN && msg.wParam == KEYCODE_ESCAPE)) running = false;
      // Alt+Enter switches between the window and desktop full screen by making the window anew.
      if (msg.message == MSG_SYSKEYDOWN && msg.wParam == KEYCODE_RETURN) {
        windowed = !windowed;
        windowOptions.windowed = windowed;
        system->DestroyWindow(current);
        current = system->CreateMainWindow(windowOptions);
        if (!current ||
            display.Init(current, windowed, windowOptions.width, windowOptions.height) != DDInterface::RESULT_OK) {
          std::fprintf(stderr, "testcard: could not switch the screen mode\n");
          return 1;
        }
        system->ShowWindow(current, true);
      }
    }
    const uint32_t now = system->GetTickCount();
    pending = std::min<uint32_t>(pending + (now - last), kMaxCatchUpMs);
    last = now;
    bool updated = false;
    while (pending >= kFrameTimeMs) {
      pending -= kFrameTimeMs;
      ++updates;
      updated = true;
    }
    if (updated) {
      Graphics g(display.GetScreenImage());
      if (textCard)
        textCard->Draw(g);
      else
        card.Draw(g, updates);
      display.Redraw();
    } else {
      system->Sleep(kFrameTimeMs - pending);
    }
  }
  system->DestroyWindow(current);
  return 0;
}
