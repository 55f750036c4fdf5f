// The SDL back-end in a real window on a virtual X display: frames reach the window scaled as
// they should, and SDL's events come out as window messages.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/platform/KeyCodes.h"
#include "framework/platform/SdlWindowSystem.h"

namespace Orva {
namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr uint32_t kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kMarker = 0xFFFF00FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;
// The back buffer's alpha means nothing on screen: a zero alpha must not blank the quadrant.
constexpr uint32_t kClearYellow = 0x00FFFF00u;

// Four quadrants and a 32 x 32 marker in the top-left corner, where cropping would lose it.
std::vector<uint32_t> TestFrame() {
  std::vector<uint32_t> frame(size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const bool right = x >= kWidth / 2, bottom = y >= kHeight / 2;
      uint32_t colour = bottom ? (right ? kClearYellow : kBlue) : (right ? kGreen : kRed);
      if (x < 32 && y < 32) colour = kMarker;
      frame[size_t(y) * kWidth + x] = colour;
    }
  }
  return frame;
}

// Keeps the OpenGL drivers a renderer loaded until the end: unloaded when the renderer goes, what
// they still hold would look to the leak checker like a leak of an unknown module.
void KeepOpenGlDriversLoaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) {
        const std::string name = info->dlpi_name ? info->dlpi_name : "";
        if (name.find("_dri.so") != std::string::npos || name.find("libGLX") != std::string::npos)
          dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
}

class SdlWindowSmokeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // OpenGL on a bare virtual display reads back cropped pixels; the software renderer does not.
    setenv("ORVA_RENDER_DRIVER", "software", 1);
  }

  void SetUp() override {
    system = SdlWindowSystem::Create();
    ASSERT_NE(system, nullptr) << "no display: run under xvfb-run";
  }

  WindowHandle Open(bool windowed) {
    WindowOptions request;
    request.title = "Orva smoke test \xE9";
    request.windowed = windowed;
    const WindowHandle window = system->CreateMainWindow(request);
    if (window) system->ShowWindow(window, true);
    Drain();
    return window;
  }

  std::vector<WindowMessage> Drain() {
    std::vector<WindowMessage> messages;
    WindowMessage msg;
    for (int i = 0; i < 10000 && system->PollMessage(msg); ++i) messages.push_back(msg);
    return messages;
  }

  // Messages of the given kinds only: the X server adds window events of its own.
  std::vector<WindowMessage> DrainOnly(std::initializer_list<uint32_t> kinds) {
    std::vector<WindowMessage> kept;
    for (const WindowMessage& msg : Drain()) {
      if (std::find(kinds.begin(), kinds.end(), msg.message) != kinds.end()) kept.push_back(msg);
    }
    return kept;
  }

  bool ReadBack() { return system->ReadBackOutput(output, outputWidth, outputHeight); }
  uint32_t Rgb(int x, int y) const { return output[size_t(y) * outputWidth + x] & 0xFFFFFFu; }

  void Resize(int width, int height) {
    SDL_SetWindowSize(system->NativeWindow(), width, height);
    Drain();
  }

  void PushKey(uint32_t type, SDL_Keycode key, SDL_Scancode scancode, uint16_t mods, bool repeat = false) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = SDL_GetWindowID(system->NativeWindow());
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = mods;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }

  void PushText(const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = SDL_GetWindowID(system->NativeWindow());
    std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
  }

  static uint32_t Rgb(uint32_t argb) { return argb & 0xFFFFFFu; }

  std::unique_ptr<SdlWindowSystem> system;
  std::vector<uint32_t> output;
  int outputWidth = 0, outputHeight = 0;
};

TEST_F(SdlWindowSmokeTest, TheSoftwareRendererWasChosenFromTheEnvironment) {
  ASSERT_NE(Open(true), 0u);
  SDL_RendererInfo info;
  ASSERT_EQ(SDL_GetRendererInfo(SDL_GetRenderer(system->NativeWindow()), &info), 0);
  EXPECT_STREQ(info.name, "software");
}

// A virtual display's OpenGL is always drawn by the processor, so the automatic choice must come
// to the direct way here; either path can still be forced, and frames reach the window on both.
TEST_F(SdlWindowSmokeTest, TheAutomaticPathDrawsDirectlyWithoutAGraphicsCardAndEitherCanBeForced) {
  EXPECT_TRUE(IsProcessorRasteriser("llvmpipe (LLVM 15.0.6, 256 bits)"));
  EXPECT_TRUE(IsProcessorRasteriser("Software Rasterizer"));
  EXPECT_FALSE(IsProcessorRasteriser("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
  EXPECT_FALSE(IsProcessorRasteriser(nullptr));

  const std::string forced = std::getenv("ORVA_RENDER_DRIVER");
  unsetenv("ORVA_RENDER_DRIVER");
  unsetenv("SDL_RENDER_DRIVER");
  const std::vector<uint32_t> frame = TestFrame();
  const auto openWith = [&](PresentPath path) {
    system.reset();
    system = SdlWindowSystem::Create();
    WindowOptions request;
    request.presentPath = path;
    const WindowHandle window = system->CreateMainWindow(request);
    EXPECT_NE(window, 0u);
    system->ShowWindow(window, true);
    Drain();
    EXPECT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight));
    return system->RendererName();
  };
  EXPECT_EQ(openWith(PresentPath::AUTOMATIC), "software");
  EXPECT_EQ(openWith(PresentPath::SOFTWARE), "software");
  const std::string hardware = openWith(PresentPath::HARDWARE);
  KeepOpenGlDriversLoaded();
  const bool openGlAvailable = SDL_GL_LoadLibrary(nullptr) == 0;
  if (openGlAvailable) {
    SDL_GL_UnloadLibrary();
    EXPECT_NE(hardware, "software") << "forced to the card, SDL's accelerated renderer is used";
  }
  setenv("ORVA_RENDER_DRIVER", forced.c_str(), 1);
}

TEST_F(SdlWindowSmokeTest, PresentedFrameAndChangedRectanglesReachTheWindow) {
  const WindowHandle window = Open(true);
  ASSERT_NE(window, 0u);
  std::vector<uint32_t> frame = TestFrame();
  // The first frame goes up whole even though it names no changed rectangle.
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, 0, 0));
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(outputWidth, kWidth);
  ASSERT_EQ(outputHeight, kHeight);
  EXPECT_EQ(Rgb(10, 10), Rgb(kMarker));
  EXPECT_EQ(Rgb(100, 100), Rgb(kRed));
  EXPECT_EQ(Rgb(540, 100), Rgb(kGreen));
  EXPECT_EQ(Rgb(100, 380), Rgb(kBlue));
  EXPECT_EQ(Rgb(540, 380), Rgb(kClearYellow));

  // Everything changes in memory, but only the named rectangle (clamped to the frame) is sent.
  std::fill(frame.begin(), frame.end(), kWhite);
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 600, 440, 1000, 1000));
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, -50, -50, 10, 10)) << "nothing to send is fine";
  ASSERT_TRUE(ReadBack());
  EXPECT_EQ(Rgb(600, 440), Rgb(kWhite));
  EXPECT_EQ(Rgb(639, 479), Rgb(kWhite));
  EXPECT_EQ(Rgb(599, 440), Rgb(kClearYellow));
  EXPECT_EQ(Rgb(600, 439), Rgb(kClearYellow));
  EXPECT_EQ(Rgb(0, 0), Rgb(kMarker));
  EXPECT_EQ(Rgb(100, 100), Rgb(kRed));

  EXPECT_FALSE(system->Present(window + 1, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight)) << "not our window";
  EXPECT_FALSE(system->Present(window, nullptr, kWidth, kHeight, 0, 0, kWidth, kHeight));
}

// At a whole multiple the software renderer's window is written directly, with only the pixels
// that changed; what it shows must be exactly what the renderer draws from the same frame.
TEST_F(SdlWindowSmokeTest, ChangesWrittenStraightIntoTheWindowMatchTheRenderersPicture) {
  const WindowHandle window = Open(true);
  ASSERT_NE(window, 0u);
  Resize(2 * kWidth + 10, 2 * kHeight + 6);  // twice the frame, with bars
  std::vector<uint32_t> frame = TestFrame();
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight));
  // Two small changes far apart in the same rows, one pixel at an edge, and one change outside
  // the rectangle named as changed, which must not be sent.
  for (int y = 200; y < 212; ++y) {
    for (int x = 3; x < 9; ++x) frame[size_t(y) * kWidth + x] = kWhite;
    for (int x = 630; x < 640; ++x) frame[size_t(y) * kWidth + x] = kBlack;
  }
  frame[size_t(479) * kWidth + 320] = kMarker;
  frame[size_t(10) * kWidth + 10] = kWhite;
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 100, kWidth, kHeight - 100));

  SDL_Surface* surface = SDL_GetWindowSurface(system->NativeWindow());
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->format->BytesPerPixel, 4);
  std::vector<uint32_t> direct(size_t(surface->w) * surface->h);
  for (int y = 0; y < surface->h; ++y)
    std::memcpy(&direct[size_t(y) * surface->w], static_cast<uint8_t*>(surface->pixels) + size_t(y) * surface->pitch,
                size_t(surface->w) * 4);
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(outputWidth, surface->w);
  ASSERT_EQ(outputHeight, surface->h);
  int differing = 0;
  for (size_t i = 0; i < direct.size(); ++i) differing += Rgb(direct[i]) != Rgb(output[i]);
  EXPECT_EQ(differing, 0);
  const int left = (outputWidth - 2 * kWidth) / 2, top = (outputHeight - 2 * kHeight) / 2;
  EXPECT_EQ(Rgb(left + 2 * 3, top + 2 * 200), Rgb(kWhite));
  EXPECT_EQ(Rgb(left + 2 * 639 + 1, top + 2 * 211 + 1), Rgb(kBlack));
  EXPECT_EQ(Rgb(left + 2 * 320 + 1, top + 2 * 479 + 1), Rgb(kMarker));
  EXPECT_EQ(Rgb(left + 2 * 10, top + 2 * 10), Rgb(kMarker)) << "outside the changed rectangle nothing is sent";
}

TEST_F(SdlWindowSmokeTest, FullScreenFitsSharplyAndPixelPerfectLetterboxesAtWholeMultiples) {
  const WindowHandle window = Open(false);
  ASSERT_NE(window, 0u);
  const std::vector<uint32_t> frame = TestFrame();
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight));
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(outputWidth, 1024);
  ASSERT_EQ(outputHeight, 768);
  // A whole multiple would fill 40 % of 1024 x 768: the frame fits the screen instead, 1.6 times.
  EXPECT_EQ(Rgb(0, 0), Rgb(kMarker));
  EXPECT_EQ(Rgb(160, 160), Rgb(kRed));
  EXPECT_EQ(Rgb(864, 160), Rgb(kGreen));
  EXPECT_EQ(Rgb(160, 608), Rgb(kBlue));
  EXPECT_EQ(Rgb(1023, 767), Rgb(kClearYellow));
  {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = SDL_GetWindowID(system->NativeWindow());
    event.motion.x = 160;
    event.motion.y = 80;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    const auto moves = DrainOnly({MSG_MOUSEMOVE});
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(LParamX(moves[0].lParam), 100);
    EXPECT_EQ(LParamY(moves[0].lParam), 50);
  }

  // Pixel perfect: 1024 x 768 holds the frame once, centred at (192, 144), black around it.
  system->SetPixelPerfect(true);
  ASSERT_TRUE(ReadBack());
  EXPECT_EQ(Rgb(191, 144), Rgb(kBlack));
  EXPECT_EQ(Rgb(192, 143), Rgb(kBlack));
  EXPECT_EQ(Rgb(192, 144), Rgb(kMarker));
  EXPECT_EQ(Rgb(192 + 639, 144 + 479), Rgb(kClearYellow));
  EXPECT_EQ(Rgb(192 + 640, 144 + 479), Rgb(kBlack));
  EXPECT_EQ(Rgb(1023, 767), Rgb(kBlack));

  // Window coordinates come out in the frame's space.
  const uint32_t id = SDL_GetWindowID(system->NativeWindow());
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = id;
  event.motion.x = 192 + 100;
  event.motion.y = 144 + 50;
  event.motion.state = SDL_BUTTON_LMASK;
  ASSERT_EQ(SDL_PushEvent(&event), 1);
  event = {};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.windowID = id;
  event.button.button = SDL_BUTTON_RIGHT;
  event.button.state = SDL_PRESSED;
  event.button.clicks = 2;
  event.button.x = 192 + 101;
  event.button.y = 144 + 51;
  ASSERT_EQ(SDL_PushEvent(&event), 1);
  const auto messages = DrainOnly({MSG_MOUSEMOVE, MSG_RBUTTONDBLCLK, MSG_RBUTTONDOWN});
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].message, MSG_MOUSEMOVE);
  EXPECT_EQ(messages[0].wParam, uint64_t(MK_LBUTTON));
  EXPECT_EQ(LParamX(messages[0].lParam), 100);
  EXPECT_EQ(LParamY(messages[0].lParam), 50);
  EXPECT_EQ(messages[1].message, MSG_RBUTTONDBLCLK);
  EXPECT_EQ(messages[1].wParam, uint64_t(MK_LBUTTON | MK_RBUTTON)) << "the left button is still down";
  EXPECT_EQ(LParamX(messages[1].lParam), 101);
  EXPECT_EQ(LParamY(messages[1].lParam), 51);

  // The real pointer, read back in the frame's space; over a bar it is outside the frame.
  int x = 0, y = 0;
  SDL_WarpMouseInWindow(system->NativeWindow(), 192 + 200, 144 + 100);
  Drain();
  EXPECT_TRUE(system->GetMousePosition(window, x, y));
  EXPECT_EQ(x, 200);
  EXPECT_EQ(y, 100);
  SDL_WarpMouseInWindow(system->NativeWindow(), 100, 300);
  Drain();
  EXPECT_FALSE(system->GetMousePosition(window, x, y));
  EXPECT_EQ(x, 100 - 192);
}

TEST_F(SdlWindowSmokeTest, AWindowKeepsTheFramesSizeAtLeastAndALargerOneFitsSharply) {
  const WindowHandle window = Open(true);
  ASSERT_NE(window, 0u);
  const std::vector<uint32_t> frame = TestFrame();
  Resize(320, 240);
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight));
  ASSERT_TRUE(ReadBack());
  EXPECT_EQ(outputWidth, kWidth) << "no smaller than the frame";
  EXPECT_EQ(outputHeight, kHeight);

  Resize(1000, 700);
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, 0, 0));
  ASSERT_TRUE(ReadBack());
  ASSERT_EQ(outputWidth, 1000);
  ASSERT_EQ(outputHeight, 700);
  // Fitted to the height (933 x 700, not 640 x 480 with wide bars), centred.
  EXPECT_EQ(Rgb(20, 350), Rgb(kBlack));
  EXPECT_EQ(Rgb(980, 350), Rgb(kBlack));
  EXPECT_EQ(Rgb(40, 10), Rgb(kMarker));
  EXPECT_EQ(Rgb(33 + 146, 146), Rgb(kRed));
  EXPECT_EQ(Rgb(960, 690), Rgb(kClearYellow));

  Resize(1280, 960);
  ASSERT_TRUE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, 0, 0));
  ASSERT_TRUE(ReadBack());
  // Exactly twice the frame: pixel doubled, the marker's edge sharp.
  EXPECT_EQ(Rgb(63, 63), Rgb(kMarker));
  EXPECT_EQ(Rgb(64, 64), Rgb(kRed));
  EXPECT_EQ(Rgb(1279, 959), Rgb(kClearYellow));
}

TEST_F(SdlWindowSmokeTest, KeyAndTextEventsBecomeKeyAndCharacterMessages) {
  const WindowHandle window = Open(true);
  ASSERT_NE(window, 0u);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_a, SDL_SCANCODE_A, KMOD_NONE, true);
  PushKey(SDL_KEYUP, SDLK_a, SDL_SCANCODE_A, KMOD_NONE);
  PushText(
      "\xC3\xA9\xE2\x82\xAC"
      "a\xF0");  // é, a euro sign, a, and a cut-off sequence
  PushKey(SDL_KEYDOWN, SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_NONE);
  PushKey(SDL_KEYDOWN, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_LALT);
  PushKey(SDL_KEYDOWN, SDLK_x, SDL_SCANCODE_X, KMOD_LALT);
  PushText("x");
  PushKey(SDL_KEYUP, SDLK_LALT, SDL_SCANCODE_LALT, KMOD_NONE);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);

  const auto messages =
      DrainOnly({MSG_KEYDOWN, MSG_KEYUP, MSG_SYSKEYDOWN, MSG_SYSKEYUP, MSG_CHAR, MSG_SYSCHAR, MSG_CLOSE});
  struct Expected {
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
  };
  const Expected expected[] = {
      {MSG_KEYDOWN, 'A', 1},
      {MSG_KEYDOWN, 'A', 1 | (int64_t(1) << 30)},
      {MSG_KEYUP, 'A', int64_t(0xC0000001u)},
      {MSG_CHAR, 0xE9, 1},
      {MSG_CHAR, 'a', 1},
      {MSG_KEYDOWN, KEYCODE_RETURN, 1},
      {MSG_CHAR, '\r', 1},
      {MSG_SYSKEYDOWN, KEYCODE_MENU, 1},
      {MSG_SYSKEYDOWN, 'X', 1},
      {MSG_SYSCHAR, 'x', 1},
      {MSG_SYSKEYUP, KEYCODE_MENU, int64_t(0xC0000001u)},
      {MSG_CLOSE, 0, 0},
  };
  ASSERT_EQ(messages.size(), std::size(expected));
  for (size_t i = 0; i < messages.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(messages[i].message, expected[i].message);
    EXPECT_EQ(messages[i].wParam, expected[i].wParam);
    EXPECT_EQ(messages[i].lParam, expected[i].lParam);
    EXPECT_EQ(messages[i].window, window);
  }
}

// A pad plugged in and out while the window runs, through SDL's virtual controller: its buttons by
// place, its stick as directions, and each change once.
TEST_F(SdlWindowSmokeTest, APadPluggedInPressedAndUnpluggedBecomesPadMessages) {
  ASSERT_NE(Open(true), 0u);
  // SDL drops pad input while the window is not in front, and a bare virtual display gives and
  // takes the focus as it pleases.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  const int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                               SDL_CONTROLLER_BUTTON_MAX, 0);
  ASSERT_GE(device, 0) << SDL_GetError();
  std::vector<WindowMessage> added = DrainOnly({MSG_PADADDED});
  ASSERT_EQ(added.size(), 1u);
  const int32_t pad = int32_t(added[0].lParam);
  SDL_Joystick* joystick = SDL_JoystickFromInstanceID(pad);
  ASSERT_NE(joystick, nullptr);

  const auto padMessages = [&] { return DrainOnly({MSG_PADBUTTONDOWN, MSG_PADBUTTONUP}); };
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1), 0);
  std::vector<WindowMessage> pressed = padMessages();
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_EQ(pressed[0].message, uint32_t(MSG_PADBUTTONDOWN));
  EXPECT_EQ(pressed[0].wParam, uint64_t(PadButton::SOUTH));
  EXPECT_EQ(pressed[0].lParam, pad);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 0), 0);
  EXPECT_EQ(padMessages().size(), 1u);

  ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, -30000), 0);
  std::vector<WindowMessage> stick = padMessages();
  ASSERT_EQ(stick.size(), 1u);
  EXPECT_EQ(stick[0].wParam, uint64_t(PadButton::STICK_LEFT));

  ASSERT_EQ(SDL_JoystickDetachVirtual(device), 0);
  std::vector<WindowMessage> removed = DrainOnly({MSG_PADREMOVED});
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].lParam, pad);
}

TEST_F(SdlWindowSmokeTest, ClipboardKeepsLatin1TextAndHandsSdlUtf8) {
  ASSERT_NE(Open(true), 0u);
  system->SetClipboardText("caf\xE9 \xA9");
  char* raw = SDL_GetClipboardText();
  ASSERT_NE(raw, nullptr);
  EXPECT_STREQ(raw, "caf\xC3\xA9 \xC2\xA9");
  SDL_free(raw);
  EXPECT_EQ(system->GetClipboardText(), "caf\xE9 \xA9");
  SDL_SetClipboardText(
      "\xE2\x82\xAC"
      "5");
  EXPECT_EQ(system->GetClipboardText(), "?5") << "what 8 bits cannot hold keeps its place";
}

TEST_F(SdlWindowSmokeTest, CursorsCanBeMadeShownHiddenAndFreed) {
  ASSERT_NE(Open(true), 0u);
  const uint32_t pixels[4] = {0xFFFFFFFFu, 0, 0, 0xFF000000u};
  // A hot spot outside the picture is moved to its edge rather than refused.
  const CursorHandle cursor = system->CreateColorCursor(pixels, 2, 2, 5, -3);
  ASSERT_NE(cursor, 0u);
  system->SetCursor(cursor);
  SDL_Cursor* shown = SDL_GetCursor();
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  system->DestroyCursor(cursor);
  EXPECT_NE(SDL_GetCursor(), shown) << "the freed cursor is no longer on screen";
  system->SetStandardCursor(StandardCursor::Hidden);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  system->SetStandardCursor(StandardCursor::Hand);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  EXPECT_EQ(system->CreateColorCursor(pixels, 0, 2, 0, 0), 0u);
  EXPECT_EQ(system->CreateColorCursor(nullptr, 2, 2, 0, 0), 0u);
  system->SetCursor(12345);  // unknown: ignored
}

TEST_F(SdlWindowSmokeTest, DesktopAndWindowAreasAndAGoneWindow) {
  const WindowHandle window = Open(true);
  ASSERT_NE(window, 0u);
  const ScreenArea desktop = system->GetDesktopSize();
  EXPECT_EQ(desktop.width, 1024);
  EXPECT_EQ(desktop.height, 768);
  const ScreenArea work = system->GetDesktopWorkArea();
  EXPECT_GT(work.width, 0);
  EXPECT_LE(work.width, desktop.width);
  const ScreenArea area = system->GetWindowArea(window);
  EXPECT_EQ(area.width, kWidth);
  EXPECT_EQ(area.height, kHeight);
  EXPECT_FALSE(system->IsMinimized(window));

  system->SetTimer(window, 3, 1000);
  system->DestroyWindow(window);
  const std::vector<uint32_t> frame = TestFrame();
  EXPECT_FALSE(system->Present(window, frame.data(), kWidth, kHeight, 0, 0, kWidth, kHeight));
  int x = 0, y = 0;
  EXPECT_FALSE(system->GetMousePosition(window, x, y));
  for (const WindowMessage& msg : Drain()) EXPECT_EQ(msg.window, 0u) << "nothing speaks for the gone window";
  EXPECT_EQ(system->GetWindowArea(window).width, 0);

  const WindowHandle again = Open(true);
  EXPECT_NE(again, 0u);
  EXPECT_NE(again, window) << "a handle is not reused";
}

}  // namespace
}  // namespace Orva
