// The drawing test card, in a window on the framework's application loop, or written as a PNG.
//
//   testcard [--text] [SWITCHES] opens the window on the widget gallery (or the text card);
//                                F1 gallery, F2 drawing card, F3 text card; Alt+Enter or F11
//                                toggles full screen; Escape or closing the window ends.
//                                SWITCHES are the application's own (-seed=N, -datadir=PATH,
//                                ...; see the README)
//   testcard --headless --gallery [--dialog] [--out gallery.png]
//                                the widget gallery (with its dialog open) as a PNG
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
#include <vector>

#include "demo/DemoApp.h"
#include "demo/TestCard.h"
#include "demo/TextCard.h"
#include "framework/graphics/DDImage.h"
#include "framework/graphics/DDInterface.h"
#include "framework/graphics/ImageHost.h"
#include "framework/platform/WindowSystem.h"
#include "framework/resources/ImageBridge.h"

namespace {

struct Options {
  bool headless = false;
  bool text = false;
  bool gallery = false;
  bool dialog = false;
  std::string out = "testcard.png";
  int tick = 150;
};

// The card's own options; everything else is left in appArgs for the application.
bool ParseOptions(int argc, char** argv, Options& options, std::vector<const char*>& appArgs) {
  appArgs.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--headless" || arg == "-headless") {
      options.headless = true;
    } else if (arg == "--text") {
      options.text = true;
    } else if (arg == "--gallery") {
      options.gallery = true;
    } else if (arg == "--dialog") {
      options.dialog = true;
    } else if (arg == "--out" && i + 1 < argc) {
      options.out = argv[++i];
    } else if (arg == "--tick" && i + 1 < argc) {
      options.tick = std::atoi(argv[++i]);
    } else if (arg.rfind("--", 0) != 0) {
      appArgs.push_back(argv[i]);
    } else {
      std::fprintf(stderr,
                   "testcard: unknown option '%s'\n"
                   "usage: testcard [--text] [--headless [--gallery [--dialog]] [--out FILE] [--tick N]]\n",
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
  std::vector<const char*> appArgs;
  if (!ParseOptions(argc, argv, options, appArgs)) return 2;
  if (!options.headless)
    return RunDemoApp(int(appArgs.size()), appArgs.data(), options.text ? DemoApp::CARD_TEXT : DemoApp::CARD_GALLERY);
  if (options.gallery) return WriteDemoScreenshot(DemoApp::CARD_GALLERY, options.dialog, options.out);
  if (appArgs.size() > 1) {
    std::fprintf(stderr, "testcard: unknown option '%s'\n", appArgs[1]);
    return 2;
  }

  auto system = CreateWindowSystem(WindowSystemKind::Headless);
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
