#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/platform/FrameScaling.h"
#include "framework/platform/SdlTranslate.h"
#include "framework/platform/WindowSystem.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
struct SDL_Rect;
struct SDL_Surface;
struct _SDL_GameController;
union SDL_Event;

namespace Orva {

// The desktop window system on SDL2. Null when SDL cannot open a video display.
std::unique_ptr<WindowSystem> CreateSdlWindowSystem();

// Whether an OpenGL driver that names itself so draws with the processor (Mesa's llvmpipe and
// its kin).
bool IsProcessorRasteriser(const char* glRendererName);

// One main window whose renderer scales the logical back buffer to the window: whole multiples
// when the window is big enough, plain scaling when it is smaller, letterboxed either way, so
// mouse coordinates arrive in the back buffer's space. The frame lives in a streaming texture,
// so the window can be redrawn (exposed, resized, renderer reset) without the game's help.
class SdlWindowSystem : public WindowSystem {
 public:
  // Starts SDL's video; null, with SDL's error on standard error, when no display can be opened.
  static std::unique_ptr<SdlWindowSystem> Create();
  ~SdlWindowSystem() override;
  SdlWindowSystem(const SdlWindowSystem&) = delete;
  SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

  bool IsHeadless() const override { return false; }
  uint32_t GetTickCount() override;
  void Sleep(uint32_t milliseconds) override;

  WindowHandle CreateMainWindow(const WindowOptions& request) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool show) override;
  void SetWindowTitle(WindowHandle window, const std::string& title) override;
  void SetWindowIcon(WindowHandle window, const uint32_t* pixels, int width, int height) override;
  bool IsMinimized(WindowHandle window) override;
  bool IsWindowActive(WindowHandle window) override;
  ScreenArea GetDesktopWorkArea() override;
  ScreenArea GetDesktopSize() override;
  ScreenArea GetWindowArea(WindowHandle window) override;

  bool PollMessage(WindowMessage& out) override;
  void SetTimer(WindowHandle window, uint32_t id, uint32_t periodMs) override;
  void KillTimer(WindowHandle window, uint32_t id) override;

  bool GetMousePosition(WindowHandle window, int& x, int& y) override;
  void CaptureMouse(WindowHandle window, bool capture) override;

  bool Present(WindowHandle window, const uint32_t* pixels, int width, int height, int changedX, int changedY,
               int changedWidth, int changedHeight) override;

  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, uint32_t flags) override;

  void SetClipboardText(const std::string& text) override;
  std::string GetClipboardText() override;

  void SetStandardCursor(StandardCursor cursor) override;
  CursorHandle CreateColorCursor(const uint32_t* pixels, int width, int height, int hotX, int hotY) override;
  void SetCursor(CursorHandle cursor) override;
  void DestroyCursor(CursorHandle cursor) override;

  // Draws the last presented frame as the window shows it, letterbox bars included, and reads
  // it back at the window's output size as 0xAARRGGBB rows. Nothing is presented.
  bool ReadBackOutput(std::vector<uint32_t>& pixels, int& width, int& height);
  void SetPixelPerfect(bool pixelPerfect) override;
  void BringToFront(WindowHandle window) override;
  // SDL's name of the renderer presenting the frames ("software", "opengl", ...); empty when none.
  const std::string& RendererName() const { return rendererName_; }
  // The SDL window behind the main window, for tests that move it around; null when none.
  SDL_Window* NativeWindow() const { return sdlWindow_; }

 private:
  SdlWindowSystem();
  bool IsOurs(WindowHandle window) const { return window != 0 && window == window_ && sdlWindow_; }
  bool CreateRenderer();
  SDL_Renderer* CreateRendererFor(PresentPath path);
  void DestroyRenderer();
  bool CreateFrameTexture(int width, int height);
  void UpdateScaling();
  bool DrawFrame();
  bool PresentDirectly(const uint32_t* pixels, int width, const SDL_Rect& area);
  void KeepShown(const uint32_t* pixels, int width, int height, const SDL_Rect& area);
  static void EnlargeInto(SDL_Surface* surface, int left, int top, int factor, const uint32_t* pixels, int width,
                          const SDL_Rect& area);
  void RedrawLastFrame();
  void Translate(const SDL_Event& event);
  void TranslateWindowEvent(const SDL_Event& event);
  void Queue(uint32_t message, uint64_t wParam, int64_t lParam);

  std::chrono::steady_clock::time_point start_;
  WindowHandle window_ = 0;
  WindowHandle nextHandle_ = 1;
  SDL_Window* sdlWindow_ = nullptr;
  uint32_t sdlWindowId_ = 0;
  SDL_Renderer* renderer_ = nullptr;
  PresentPath presentPath_ = PresentPath::AUTOMATIC;
  // What AUTOMATIC came to, worked out once: probing the graphics card is not free.
  PresentPath decidedPath_ = PresentPath::AUTOMATIC;
  std::string rendererName_;
  SDL_Texture* texture_ = nullptr;
  int logicalWidth_ = 0, logicalHeight_ = 0;
  int textureWidth_ = 0, textureHeight_ = 0;
  bool integerScale_ = false;
  bool pixelPerfect_ = false;
  FrameScaling scaling_;
  // The frame enlarged by a whole factor with nearest, reduced smoothly to the window (SHARP).
  SDL_Texture* enlarged_ = nullptr;
  int enlargedFactor_ = 0;
  // The texture's contents are not a whole frame yet (new, or lost with the renderer).
  bool textureStale_ = true;
  bool rendererLost_ = false;
  // With the software renderer: the frame as the window shows it, so that a new one can be
  // compared with it and only what changed is sent.
  std::vector<uint32_t> shown_;
  std::vector<SDL_Rect> changedRects_;

  // The game controllers plugged in, by SDL's instance id (the messages' pad number).
  struct Pad {
    _SDL_GameController* controller = nullptr;
    PadStickAxis stickX{PadButton::STICK_LEFT, PadButton::STICK_RIGHT};
    PadStickAxis stickY{PadButton::STICK_UP, PadButton::STICK_DOWN};
  };
  std::map<int32_t, Pad> pads_;
  bool padsStarted_ = false;

  std::deque<WindowMessage> pending_;
  bool pumpNext_ = true;
  TimerTable timers_;
  // Modifier and button state as of the last event translated, so characters and clicks carry
  // the state they were made in rather than the state when they are read.
  uint16_t keyMods_ = 0;
  uint32_t buttons_ = 0;
  int mouseX_ = 0, mouseY_ = 0;
  bool captured_ = false;

  std::array<SDL_Cursor*, size_t(StandardCursor::Hidden)> systemCursors_{};
  StandardCursor standardCursor_ = StandardCursor::Arrow;
  std::map<CursorHandle, SDL_Cursor*> colorCursors_;
  CursorHandle customCursor_ = 0, nextCursor_ = 1;
};

}  // namespace Orva
