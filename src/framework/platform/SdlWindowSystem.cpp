#include "framework/platform/SdlWindowSystem.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "framework/platform/KeyCodes.h"

namespace Orva {

namespace {

constexpr uint32_t kSdlServices = SDL_INIT_VIDEO | SDL_INIT_EVENTS;

// PadButtonFromSdl takes SDL's buttons by number, in PadButton's order.
static_assert(SDL_CONTROLLER_BUTTON_A == int(PadButton::SOUTH) && SDL_CONTROLLER_BUTTON_B == int(PadButton::EAST) &&
              SDL_CONTROLLER_BUTTON_X == int(PadButton::WEST) && SDL_CONTROLLER_BUTTON_Y == int(PadButton::NORTH) &&
              SDL_CONTROLLER_BUTTON_START == int(PadButton::START) &&
              SDL_CONTROLLER_BUTTON_RIGHTSHOULDER == int(PadButton::RIGHT_SHOULDER) &&
              SDL_CONTROLLER_BUTTON_DPAD_RIGHT == int(PadButton::DPAD_RIGHT));

void ReportSdlError(const char* what) { std::fprintf(stderr, "SDL: %s: %s\n", what, SDL_GetError()); }

// SDL is shut down only when nothing else in the process still has a part of it running.
void QuitSdlIfUnused() {
  if (SDL_WasInit(0) == 0) SDL_Quit();
}

bool IsInvisibleVideoDriver(const char* name) {
  return SDL_strcasecmp(name, "offscreen") == 0 || SDL_strcasecmp(name, "dummy") == 0 ||
         SDL_strcasecmp(name, "evdev") == 0;
}

// Whether the machine has a graphics device an OpenGL driver could drive: a kernel display
// device or the proprietary driver's. Without one, OpenGL can only be drawn by the processor.
bool MachineHasGraphicsDevice() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("renderD", 0) == 0 || name.rfind("card", 0) == 0) return true;
  }
  return std::filesystem::exists("/dev/nvidiactl", error);
}

// Whether an OpenGL renderer's driver is one that rasterises on the processor.
bool RendererDrawsWithProcessor(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name || SDL_strncasecmp(info.name, "opengl", 6) != 0)
    return false;
  // The renderer's context is current, so the driver can be asked its name.
  using GetString = const unsigned char* (*)(unsigned int);
  constexpr unsigned int kGlRenderer = 0x1F01;
  const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  const unsigned char* name = getString ? getString(kGlRenderer) : nullptr;
  return name && IsProcessorRasteriser(reinterpret_cast<const char*>(name));
}

// One row of the frame, each pixel repeated factor times across. The back buffer's alpha is not
// transparency: the window gets opaque pixels. Written per factor, so the compiler can vectorise
// the common ones.
template <int kFactor>
void EnlargeRow(uint32_t* out, const uint32_t* in, int n) {
  for (int x = 0; x < n; ++x) {
    const uint32_t p = in[x] | 0xFF000000u;
    for (int k = 0; k < kFactor; ++k) out[x * kFactor + k] = p;
  }
}

void EnlargeRowBy(int factor, uint32_t* out, const uint32_t* in, int n) {
  for (int x = 0; x < n; ++x) std::fill_n(out + size_t(x) * size_t(factor), factor, in[x] | 0xFF000000u);
}

SDL_SystemCursor SystemCursorFor(StandardCursor cursor) {
  switch (cursor) {
    case StandardCursor::Hand: return SDL_SYSTEM_CURSOR_HAND;
    case StandardCursor::TextBeam: return SDL_SYSTEM_CURSOR_IBEAM;
    case StandardCursor::NoEntry: return SDL_SYSTEM_CURSOR_NO;
    case StandardCursor::Move: return SDL_SYSTEM_CURSOR_SIZEALL;
    case StandardCursor::SizeNeSw: return SDL_SYSTEM_CURSOR_SIZENESW;
    case StandardCursor::SizeNS: return SDL_SYSTEM_CURSOR_SIZENS;
    case StandardCursor::SizeNwSe: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case StandardCursor::SizeWE: return SDL_SYSTEM_CURSOR_SIZEWE;
    case StandardCursor::Busy: return SDL_SYSTEM_CURSOR_WAIT;
    default: return SDL_SYSTEM_CURSOR_ARROW;
  }
}

}  // namespace

std::unique_ptr<WindowSystem> CreateSdlWindowSystem() { return SdlWindowSystem::Create(); }

std::unique_ptr<SdlWindowSystem> SdlWindowSystem::Create() {
  // Closing the window is one MSG_CLOSE; SDL would otherwise follow it with SDL_QUIT too, and
  // a game that asked "really quit?" and heard "no" would be asked to close again.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Without a display SDL falls back to drivers that show nothing, and the game would run unseen;
  // only drivers with a screen are offered. SDL_VIDEODRIVER in the environment still wins.
  std::string drivers;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* name = SDL_GetVideoDriver(i);
    if (!name || IsInvisibleVideoDriver(name)) continue;
    if (!drivers.empty()) drivers += ',';
    drivers += name;
  }
  if (!drivers.empty()) SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
  if (SDL_InitSubSystem(kSdlServices) != 0) {
    ReportSdlError("no display could be opened");
    QuitSdlIfUnused();
    return nullptr;
  }
  auto system = std::unique_ptr<SdlWindowSystem>(new SdlWindowSystem());
  // Pads by the place of their buttons (south is the lower face button on every make), not by
  // the letters printed on them. Without pad support the game still runs.
  SDL_SetHint(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0");
  system->padsStarted_ = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  return system;
}

SdlWindowSystem::SdlWindowSystem() : start_(std::chrono::steady_clock::now()) {}

SdlWindowSystem::~SdlWindowSystem() {
  DestroyWindow(window_);
  for (auto& [handle, cursor] : colorCursors_) SDL_FreeCursor(cursor);
  for (SDL_Cursor* cursor : systemCursors_) {
    if (cursor) SDL_FreeCursor(cursor);
  }
  for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad.controller);
  if (padsStarted_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  SDL_QuitSubSystem(kSdlServices);
  QuitSdlIfUnused();
}

uint32_t SdlWindowSystem::GetTickCount() {
  const auto elapsed = std::chrono::steady_clock::now() - start_;
  return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SdlWindowSystem::Sleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

WindowHandle SdlWindowSystem::CreateMainWindow(const WindowOptions& request) {
  // One main window at a time: a new one replaces the old.
  DestroyWindow(window_);
  const int width = std::max(1, request.width), height = std::max(1, request.height);
  uint32_t flags = SDL_WINDOW_HIDDEN;
  if (request.resizable) flags |= SDL_WINDOW_RESIZABLE;
  if (!request.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  int x = request.x == -1 ? int(SDL_WINDOWPOS_CENTERED) : request.x;
  int y = request.y == -1 ? int(SDL_WINDOWPOS_CENTERED) : request.y;
  const int scale = request.windowed ? std::clamp(request.scale, 1, 16) : 1;
  int windowWidth = width * scale, windowHeight = height * scale;
  if (request.windowed && request.openWidth >= width && request.openHeight >= height) {
    windowWidth = request.openWidth;
    windowHeight = request.openHeight;
  }
  SDL_Rect desktop;
  if (!request.windowed && SDL_GetDisplayBounds(0, &desktop) == 0) {
    // Full screen is the window manager's job; without one the window would keep its windowed
    // size while SDL draws for the whole desktop. Made at the desktop's size, it fits either way.
    x = desktop.x, y = desktop.y, windowWidth = desktop.w, windowHeight = desktop.h;
  }
  sdlWindow_ = SDL_CreateWindow(Latin1ToUtf8(request.title).c_str(), x, y, windowWidth, windowHeight, flags);
  if (!sdlWindow_) {
    ReportSdlError("the window could not be created");
    return 0;
  }
  sdlWindowId_ = SDL_GetWindowID(sdlWindow_);
  // Smaller than the frame, the picture would only shrink into blur.
  if (request.resizable) SDL_SetWindowMinimumSize(sdlWindow_, width, height);
  logicalWidth_ = width;
  logicalHeight_ = height;
  presentPath_ = request.presentPath;
  if (!CreateRenderer()) {
    DestroyRenderer();
    SDL_DestroyWindow(sdlWindow_);
    sdlWindow_ = nullptr;
    sdlWindowId_ = 0;
    return 0;
  }
  window_ = nextHandle_++;
  if (nextHandle_ == 0) nextHandle_ = 1;
  keyMods_ = uint16_t(SDL_GetModState());
  buttons_ = SDL_GetMouseState(nullptr, nullptr);
  SDL_StartTextInput();
  return window_;
}

bool SdlWindowSystem::CreateRenderer() {
  if (const char* driver = std::getenv("ORVA_RENDER_DRIVER"); driver && *driver) {
    SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_strcasecmp(driver, "software") == 0) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    renderer_ = CreateRendererFor(PresentPath::HARDWARE);
  } else if (const char* sdlChoice = std::getenv("SDL_RENDER_DRIVER"); sdlChoice && *sdlChoice) {
    // The player told SDL itself which renderer to use.
    renderer_ = CreateRendererFor(PresentPath::HARDWARE);
  } else if (presentPath_ != PresentPath::AUTOMATIC) {
    renderer_ = CreateRendererFor(presentPath_);
  } else if (decidedPath_ != PresentPath::AUTOMATIC) {
    renderer_ = CreateRendererFor(decidedPath_);
  } else if (!MachineHasGraphicsDevice()) {
    decidedPath_ = PresentPath::SOFTWARE;
    renderer_ = CreateRendererFor(decidedPath_);
  } else {
    // A graphics device is there, but the OpenGL it leads to may still be drawn by the
    // processor (a virtual display, a missing driver): then the direct way is taken.
    renderer_ = CreateRendererFor(PresentPath::HARDWARE);
    decidedPath_ = PresentPath::HARDWARE;
    if (renderer_ && RendererDrawsWithProcessor(renderer_)) {
      SDL_DestroyRenderer(renderer_);
      decidedPath_ = PresentPath::SOFTWARE;
      renderer_ = CreateRendererFor(decidedPath_);
    }
  }
  if (!renderer_) {
    ReportSdlError("no renderer for the window");
    return false;
  }
  SDL_RendererInfo info;
  rendererName_ = SDL_GetRendererInfo(renderer_, &info) == 0 && info.name ? info.name : "";
  if (SDL_RenderSetLogicalSize(renderer_, logicalWidth_, logicalHeight_) != 0) {
    ReportSdlError("the window cannot be scaled");
    return false;
  }
  integerScale_ = false;
  UpdateScaling();
  return CreateFrameTexture(logicalWidth_, logicalHeight_);
}

bool IsProcessorRasteriser(const char* glRendererName) {
  if (!glRendererName) return false;
  std::string name(glRendererName);
  for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
  for (const char* known : {"llvmpipe", "softpipe", "software rasterizer", "swrast", "swr "})
    if (name.find(known) != std::string::npos) return true;
  return false;
}

SDL_Renderer* SdlWindowSystem::CreateRendererFor(PresentPath path) {
  if (path == PresentPath::SOFTWARE) {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // The software renderer draws into the window's own framebuffer; without this SDL first
    // loads OpenGL and opens a test window to decide how to make that framebuffer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  } else if (!std::getenv("ORVA_RENDER_DRIVER")) {
    SDL_ResetHint(SDL_HINT_RENDER_DRIVER);
  }
  // No vsync: the game paces itself, and Present must not wait for the screen.
  return SDL_CreateRenderer(sdlWindow_, -1, 0);
}

void SdlWindowSystem::DestroyRenderer() {
  if (enlarged_) SDL_DestroyTexture(enlarged_);
  enlarged_ = nullptr;
  enlargedFactor_ = 0;
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
  rendererName_.clear();
  textureWidth_ = textureHeight_ = 0;
  textureStale_ = true;
}

bool SdlWindowSystem::CreateFrameTexture(int width, int height) {
  if (texture_) SDL_DestroyTexture(texture_);
  textureWidth_ = textureHeight_ = 0;
  textureStale_ = true;
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture_) {
    ReportSdlError("no texture for the frame");
    return false;
  }
  // The back buffer's alpha is not transparency: the frame is copied as it is, never blended.
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
  SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
  textureWidth_ = width;
  textureHeight_ = height;
  return true;
}

void SdlWindowSystem::UpdateScaling() {
  int outputWidth = 0, outputHeight = 0;
  if (!renderer_ || SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight) != 0) return;
  scaling_ = ChooseFrameScaling(outputWidth, outputHeight, logicalWidth_, logicalHeight_, pixelPerfect_);
  // SDL rounds a window smaller than the frame down to a scale of one and crops the picture under
  // whole-multiple scaling; every other case keeps SDL's plain fit of the logical size.
  const bool whole = scaling_.mode == FrameScaling::WHOLE;
  if (whole != integerScale_) {
    SDL_RenderSetIntegerScale(renderer_, whole ? SDL_TRUE : SDL_FALSE);
    integerScale_ = whole;
  }
  if (scaling_.mode != FrameScaling::SHARP) return;
  if (enlarged_ && enlargedFactor_ == scaling_.factor) return;
  if (enlarged_) SDL_DestroyTexture(enlarged_);
  enlarged_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                logicalWidth_ * scaling_.factor, logicalHeight_ * scaling_.factor);
  enlargedFactor_ = enlarged_ ? scaling_.factor : 0;
  if (enlarged_) {
    SDL_SetTextureBlendMode(enlarged_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(enlarged_, SDL_ScaleModeLinear);
  }
}

void SdlWindowSystem::BringToFront(WindowHandle window) {
  if (!IsOurs(window)) return;
  if (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(sdlWindow_);
  SDL_RaiseWindow(sdlWindow_);
}

void SdlWindowSystem::SetPixelPerfect(bool pixelPerfect) {
  pixelPerfect_ = pixelPerfect;
  RedrawLastFrame();
}

bool SdlWindowSystem::DrawFrame() {
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  if (SDL_RenderClear(renderer_) != 0) return false;
  // The sharp fit: nearest into the enlarged texture (a target of its own, where SDL sets the
  // logical size aside), then that texture reduced smoothly into the letterboxed viewport. Without
  // the texture (a renderer without targets) the plain fit stands in.
  if (scaling_.mode == FrameScaling::SHARP && enlarged_ && SDL_SetRenderTarget(renderer_, enlarged_) == 0) {
    const bool enlarged = SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) == 0;
    if (SDL_SetRenderTarget(renderer_, nullptr) != 0) return false;
    if (enlarged) return SDL_RenderCopy(renderer_, enlarged_, nullptr, nullptr) == 0;
  }
  return SDL_RenderCopy(renderer_, texture_, nullptr, nullptr) == 0;
}

void SdlWindowSystem::RedrawLastFrame() {
  if (!renderer_ || !texture_ || textureStale_ || rendererLost_) return;
  UpdateScaling();
  if (DrawFrame()) SDL_RenderPresent(renderer_);
}

void SdlWindowSystem::DestroyWindow(WindowHandle window) {
  if (!IsOurs(window)) return;
  SDL_CaptureMouse(SDL_FALSE);
  captured_ = false;
  DestroyRenderer();
  SDL_DestroyWindow(sdlWindow_);
  sdlWindow_ = nullptr;
  sdlWindowId_ = 0;
  rendererLost_ = false;
  timers_.Clear();
  std::erase_if(pending_, [window](const WindowMessage& msg) { return msg.window == window; });
  window_ = 0;
}

void SdlWindowSystem::ShowWindow(WindowHandle window, bool show) {
  if (!IsOurs(window)) return;
  if (show) {
    SDL_ShowWindow(sdlWindow_);
  } else {
    SDL_HideWindow(sdlWindow_);
  }
}

void SdlWindowSystem::SetWindowIcon(WindowHandle window, const uint32_t* pixels, int width, int height) {
  if (!IsOurs(window) || pixels == nullptr || width <= 0 || height <= 0) return;
  // SDL copies the pixels; the surface only lends them for the call.
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32, width * 4,
                                                         SDL_PIXELFORMAT_ARGB8888);
  if (icon == nullptr) return;
  SDL_SetWindowIcon(sdlWindow_, icon);
  SDL_FreeSurface(icon);
}

void SdlWindowSystem::SetWindowTitle(WindowHandle window, const std::string& title) {
  if (IsOurs(window)) SDL_SetWindowTitle(sdlWindow_, Latin1ToUtf8(title).c_str());
}

bool SdlWindowSystem::IsMinimized(WindowHandle window) {
  return IsOurs(window) && (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_MINIMIZED);
}

bool SdlWindowSystem::IsWindowActive(WindowHandle window) {
  return IsOurs(window) && (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_INPUT_FOCUS);
}

namespace {
int DisplayOf(SDL_Window* window) {
  const int index = window ? SDL_GetWindowDisplayIndex(window) : 0;
  return index < 0 ? 0 : index;
}
}  // namespace

ScreenArea SdlWindowSystem::GetDesktopWorkArea() {
  SDL_Rect area;
  if (SDL_GetDisplayUsableBounds(DisplayOf(sdlWindow_), &area) != 0) return GetDesktopSize();
  return {area.x, area.y, area.w, area.h};
}

ScreenArea SdlWindowSystem::GetDesktopSize() {
  const int display = DisplayOf(sdlWindow_);
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(display, &mode) != 0) return {};
  SDL_Rect bounds{0, 0, 0, 0};
  SDL_GetDisplayBounds(display, &bounds);
  return {bounds.x, bounds.y, mode.w, mode.h};
}

ScreenArea SdlWindowSystem::GetWindowArea(WindowHandle window) {
  if (!IsOurs(window)) return {};
  int x = 0, y = 0, width = 0, height = 0, top = 0, left = 0;
  SDL_GetWindowPosition(sdlWindow_, &x, &y);
  SDL_GetWindowSize(sdlWindow_, &width, &height);
  // Without a window manager there are no borders, and SDL says so by failing.
  if (SDL_GetWindowBordersSize(sdlWindow_, &top, &left, nullptr, nullptr) != 0) top = left = 0;
  return {x - left, y - top, width, height};
}

void SdlWindowSystem::Queue(uint32_t message, uint64_t wParam, int64_t lParam) {
  pending_.push_back({window_, message, wParam, lParam});
}

bool SdlWindowSystem::PollMessage(WindowMessage& out) {
  // One SDL event can make several messages (a key and its character, a string of text), so
  // translated messages wait in a queue. Asking the display for new events takes system calls, so
  // it is done once per round of calls, the first after one that found nothing; within a round
  // the events already fetched are handed out. Nothing here blocks.
  SDL_Event event;
  if (pending_.empty() && pumpNext_) {
    SDL_PumpEvents();
    pumpNext_ = false;
  }
  while (pending_.empty() && SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
    Translate(event);
  if (!pending_.empty()) {
    out = pending_.front();
    pending_.pop_front();
    return true;
  }
  uint32_t id = 0;
  if (window_ && timers_.TakeDue(GetTickCount(), id)) {
    out = {window_, MSG_TIMER, id, 0};
    return true;
  }
  pumpNext_ = true;
  return false;
}

void SdlWindowSystem::Translate(const SDL_Event& event) {
  // Events of a window that is gone (or never was ours) are dropped; SDL marks events pushed
  // without a window with id 0.
  const auto forUs = [this](uint32_t windowId) { return sdlWindow_ && (windowId == sdlWindowId_ || windowId == 0); };
  switch (event.type) {
    case SDL_QUIT: Queue(MSG_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT:
      if (forUs(event.window.windowID)) TranslateWindowEvent(event);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      if (!forUs(event.key.windowID)) break;
      const bool down = event.type == SDL_KEYDOWN;
      const uint16_t mods = event.key.keysym.mod;
      keyMods_ = mods;
      const int key = VirtualKeyFromSdl(event.key.keysym.sym, event.key.keysym.scancode, (mods & KMOD_NUM) != 0);
      if (key == KEYCODE_UNKNOWN) break;
      Queue(KeyMessageId(down, key, mods), uint64_t(key), KeyLParam(down, event.key.repeat != 0));
      // Ctrl with these keys types other control codes, or none; they are left out.
      if (const uint8_t control = ControlCharForKey(key); down && control && !(mods & KMOD_CTRL)) {
        Queue(CharMessageId(mods), control, 1);
      }
      break;
    }
    case SDL_TEXTINPUT: {
      if (!forUs(event.text.windowID)) break;
      // The text is a fixed-size array; a missing terminator must not send the reading past it.
      const size_t length = strnlen(event.text.text, sizeof(event.text.text));
      for (const char ch : Utf8ToLatin1(std::string_view(event.text.text, length), 0)) {
        Queue(CharMessageId(keyMods_), uint8_t(ch), 1);
      }
      break;
    }
    case SDL_MOUSEMOTION:
      if (!forUs(event.motion.windowID)) break;
      mouseX_ = event.motion.x;
      mouseY_ = event.motion.y;
      buttons_ = event.motion.state;
      Queue(MSG_MOUSEMOVE, MouseKeyBits(buttons_, keyMods_), MakeLParam(mouseX_, mouseY_));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (!forUs(event.button.windowID)) break;
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      const uint8_t button = event.button.button;
      mouseX_ = event.button.x;
      mouseY_ = event.button.y;
      // The button bits tell the state after the change, as the classic messages do.
      if (button >= 1 && button <= 32) {
        const uint32_t bit = SDL_BUTTON(uint32_t(button));
        buttons_ = down ? (buttons_ | bit) : (buttons_ & ~bit);
      }
      const uint32_t message = MouseButtonMessageId(button, down, event.button.clicks);
      if (message) Queue(message, MouseKeyBits(buttons_, keyMods_), MakeLParam(mouseX_, mouseY_));
      break;
    }
    case SDL_MOUSEWHEEL:
      if (!forUs(event.wheel.windowID) || event.wheel.y == 0) break;
      // The wheel event has no position in the frame's space; the last one seen stands in.
      Queue(MSG_MOUSEWHEEL,
            MouseWheelWParam(event.wheel.y, event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED,
                             MouseKeyBits(buttons_, keyMods_)),
            MakeLParam(mouseX_, mouseY_));
      break;
    case SDL_CONTROLLERDEVICEADDED: {
      // Also sent at start for the pads already plugged in. which is the device's index here.
      SDL_GameController* controller = SDL_GameControllerOpen(event.cdevice.which);
      if (!controller) break;
      const int32_t id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
      if (pads_.count(id)) {
        SDL_GameControllerClose(controller);  // opened twice: SDL counts it, and one close will do
        break;
      }
      pads_.emplace(id, Pad{controller});
      Queue(MSG_PADADDED, 0, id);
      break;
    }
    case SDL_CONTROLLERDEVICEREMOVED: {
      auto pad = pads_.find(event.cdevice.which);  // the instance id here
      if (pad == pads_.end()) break;
      SDL_GameControllerClose(pad->second.controller);
      pads_.erase(pad);
      Queue(MSG_PADREMOVED, 0, event.cdevice.which);
      break;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      if (!pads_.count(event.cbutton.which)) break;
      const PadButton button = PadButtonFromSdl(event.cbutton.button);
      if (button == PadButton::COUNT) break;
      Queue(event.type == SDL_CONTROLLERBUTTONDOWN ? MSG_PADBUTTONDOWN : MSG_PADBUTTONUP, uint64_t(button),
            event.cbutton.which);
      break;
    }
    case SDL_CONTROLLERAXISMOTION: {
      auto pad = pads_.find(event.caxis.which);
      if (pad == pads_.end()) break;
      PadStickAxis* axis = event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX   ? &pad->second.stickX
                           : event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY ? &pad->second.stickY
                                                                           : nullptr;
      if (!axis) break;
      const PadStickAxis::Change change = axis->Update(event.caxis.value);
      if (change.released != PadButton::COUNT) Queue(MSG_PADBUTTONUP, uint64_t(change.released), event.caxis.which);
      if (change.pressed != PadButton::COUNT) Queue(MSG_PADBUTTONDOWN, uint64_t(change.pressed), event.caxis.which);
      break;
    }
    case SDL_RENDER_DEVICE_RESET:
      // Renderer and texture are gone with the device; the next Present makes them again.
      rendererLost_ = true;
      break;
    default: break;
  }
}

void SdlWindowSystem::TranslateWindowEvent(const SDL_Event& event) {
  const int64_t logicalSize = MakeLParam(logicalWidth_, logicalHeight_);
  switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE: Queue(MSG_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: Queue(MSG_ACTIVATEAPP, 1, 0); break;
    case SDL_WINDOWEVENT_FOCUS_LOST: Queue(MSG_ACTIVATEAPP, 0, 0); break;
    // The size the game sees is the frame's: the window only scales it.
    case SDL_WINDOWEVENT_MINIMIZED: Queue(MSG_SIZE, SIZE_MINIMIZED, 0); break;
    case SDL_WINDOWEVENT_MAXIMIZED: Queue(MSG_SIZE, SIZE_MAXIMIZED, logicalSize); break;
    case SDL_WINDOWEVENT_RESTORED: Queue(MSG_SIZE, SIZE_RESTORED, logicalSize); break;
    case SDL_WINDOWEVENT_MOVED: Queue(MSG_MOVE, 0, MakeLParam(event.window.data1, event.window.data2)); break;
    // A new size (from the player, the window manager or SDL itself): the picture is redrawn to
    // fit, and the program hears of it, so that it may remember the size.
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      RedrawLastFrame();
      Queue(MSG_SIZE, (SDL_GetWindowFlags(sdlWindow_) & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED,
            logicalSize);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      // The frame is still in the texture: the window is repaired at once, whatever the game does.
      RedrawLastFrame();
      Queue(MSG_PAINT, 0, 0);
      break;
    default: break;
  }
}

void SdlWindowSystem::SetTimer(WindowHandle window, uint32_t id, uint32_t periodMs) {
  if (IsOurs(window)) timers_.Set(id, periodMs, GetTickCount());
}

void SdlWindowSystem::KillTimer(WindowHandle, uint32_t id) { timers_.Kill(id); }

bool SdlWindowSystem::GetMousePosition(WindowHandle window, int& x, int& y) {
  if (!IsOurs(window) || !renderer_) return false;
  int windowX = 0, windowY = 0;
  const bool over = SDL_GetMouseFocus() == sdlWindow_;
  if (over) {
    SDL_GetMouseState(&windowX, &windowY);
  } else {
    // Still a meaningful position (a captured drag going on outside), but not "over the window".
    int globalX = 0, globalY = 0, left = 0, top = 0;
    SDL_GetGlobalMouseState(&globalX, &globalY);
    SDL_GetWindowPosition(sdlWindow_, &left, &top);
    windowX = globalX - left;
    windowY = globalY - top;
  }
  float logicalX = 0, logicalY = 0;
  SDL_RenderWindowToLogical(renderer_, windowX, windowY, &logicalX, &logicalY);
  x = int(std::floor(logicalX));
  y = int(std::floor(logicalY));
  return over && x >= 0 && y >= 0 && x < logicalWidth_ && y < logicalHeight_;
}

void SdlWindowSystem::CaptureMouse(WindowHandle window, bool capture) {
  if (!IsOurs(window)) return;
  captured_ = capture;
  SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

bool SdlWindowSystem::Present(WindowHandle window, const uint32_t* pixels, int width, int height, int changedX,
                              int changedY, int changedWidth, int changedHeight) {
  if (!IsOurs(window) || !pixels || width <= 0 || height <= 0 || width > INT_MAX / 4) return false;
  if (rendererLost_ || !renderer_) {
    DestroyRenderer();
    rendererLost_ = false;
    if (!CreateRenderer()) {
      DestroyRenderer();
      return false;
    }
  }
  if (width != textureWidth_ || height != textureHeight_) {
    // A frame of another size becomes the new logical size.
    logicalWidth_ = width;
    logicalHeight_ = height;
    integerScale_ = false;
    SDL_RenderSetIntegerScale(renderer_, SDL_FALSE);
    if (enlarged_) SDL_DestroyTexture(enlarged_);
    enlarged_ = nullptr;
    enlargedFactor_ = 0;
    if (SDL_RenderSetLogicalSize(renderer_, width, height) != 0 || !CreateFrameTexture(width, height)) return false;
  }
  UpdateScaling();

  SDL_Rect area;
  if (textureStale_) {
    // Whatever the changed rectangle, a texture that holds no frame yet takes all of this one.
    area = {0, 0, width, height};
  } else {
    const int x0 = std::clamp(changedX, 0, width), y0 = std::clamp(changedY, 0, height);
    const int x1 = int(std::clamp<int64_t>(int64_t(changedX) + changedWidth, x0, width));
    const int y1 = int(std::clamp<int64_t>(int64_t(changedY) + changedHeight, y0, height));
    area = {x0, y0, x1 - x0, y1 - y0};
  }
  // Once the window holds a whole frame, the software renderer's window surface takes just what
  // changed, enlarged in place; the renderer would scale and send the whole window every time.
  if (!textureStale_ && PresentDirectly(pixels, width, area)) return true;
  if (area.w > 0 && area.h > 0) {
    const uint32_t* first = pixels + size_t(area.y) * size_t(width) + size_t(area.x);
    if (SDL_UpdateTexture(texture_, &area, first, width * 4) != 0) return false;
    if (rendererName_ == "software") KeepShown(pixels, width, height, area);
  }
  textureStale_ = false;
  if (!DrawFrame()) return false;
  SDL_RenderPresent(renderer_);
  return true;
}

void SdlWindowSystem::KeepShown(const uint32_t* pixels, int width, int height, const SDL_Rect& area) {
  if (shown_.size() != size_t(width) * size_t(height)) {
    // A frame of a new size is only ever presented whole.
    if (area.w != width || area.h != height) return shown_.clear();
    shown_.resize(size_t(width) * size_t(height));
  }
  for (int y = area.y; y < area.y + area.h; ++y)
    std::memcpy(&shown_[size_t(y) * size_t(width) + size_t(area.x)],
                pixels + size_t(y) * size_t(width) + size_t(area.x), size_t(area.w) * 4);
}

bool SdlWindowSystem::PresentDirectly(const uint32_t* pixels, int width, const SDL_Rect& area) {
  if (rendererName_ != "software" || scaling_.mode != FrameScaling::WHOLE ||
      shown_.size() != size_t(logicalWidth_) * size_t(logicalHeight_) || width != logicalWidth_)
    return false;
  SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow_);
  if (!surface || SDL_MUSTLOCK(surface) || surface->format->BytesPerPixel != 4 ||
      (surface->format->format != SDL_PIXELFORMAT_RGB888 && surface->format->format != SDL_PIXELFORMAT_ARGB8888))
    return false;
  // Where the renderer puts the frame: centred at its whole scale, the odd pixel of a bar on the
  // right and at the bottom. Its logical viewport (in scaled pixels, so rounded) must agree.
  const int factor = scaling_.factor;
  const int64_t shownWidth = int64_t(logicalWidth_) * factor, shownHeight = int64_t(logicalHeight_) * factor;
  if (shownWidth > surface->w || shownHeight > surface->h) return false;
  const int left = int((surface->w - shownWidth) / 2), top = int((surface->h - shownHeight) / 2);
  SDL_Rect viewport;
  float scaleX = 0, scaleY = 0;
  SDL_RenderGetViewport(renderer_, &viewport);
  SDL_RenderGetScale(renderer_, &scaleX, &scaleY);
  if (scaleX != float(factor) || scaleY != float(factor) || viewport.w != logicalWidth_ ||
      viewport.h != logicalHeight_ || std::abs(viewport.x * factor - left) >= factor ||
      std::abs(viewport.y * factor - top) >= factor)
    return false;

  // The changed rectangle is a bounding box, often the whole frame while a few small things move
  // in it. Bands of rows are compared with what the window shows, and each sends only the columns
  // that really changed.
  constexpr int kBandRows = 8;
  changedRects_.clear();
  for (int bandTop = area.y; bandTop < area.y + area.h; bandTop += kBandRows) {
    const int bandBottom = std::min(bandTop + kBandRows, area.y + area.h);
    int first = INT_MAX, last = -1;
    for (int y = bandTop; y < bandBottom; ++y) {
      const uint32_t* now = pixels + size_t(y) * size_t(width);
      const uint32_t* was = &shown_[size_t(y) * size_t(width)];
      if (std::memcmp(now + area.x, was + area.x, size_t(area.w) * 4) == 0) continue;
      int from = area.x, to = area.x + area.w - 1;
      while (now[from] == was[from]) ++from;
      while (now[to] == was[to]) --to;
      first = std::min(first, from);
      last = std::max(last, to);
    }
    if (last < 0) continue;
    const SDL_Rect band{first, bandTop, last - first + 1, bandBottom - bandTop};
    const uint32_t* bandPixels = pixels + size_t(band.y) * size_t(width) + size_t(band.x);
    // The texture stays whole too: the renderer redraws from it after a resize or an expose.
    if (SDL_UpdateTexture(texture_, &band, bandPixels, width * 4) != 0) return false;
    KeepShown(pixels, width, logicalHeight_, band);
    EnlargeInto(surface, left, top, factor, pixels, width, band);
    const SDL_Rect out{left + band.x * factor, top + band.y * factor, band.w * factor, band.h * factor};
    SDL_Rect* previous = changedRects_.empty() ? nullptr : &changedRects_.back();
    if (previous && previous->x == out.x && previous->w == out.w && previous->y + previous->h == out.y)
      previous->h += out.h;
    else
      changedRects_.push_back(out);
  }
  if (changedRects_.empty()) return true;
  return SDL_UpdateWindowSurfaceRects(sdlWindow_, changedRects_.data(), int(changedRects_.size())) == 0;
}

void SdlWindowSystem::EnlargeInto(SDL_Surface* surface, int left, int top, int factor, const uint32_t* pixels,
                                  int width, const SDL_Rect& area) {
  auto* base = static_cast<uint8_t*>(surface->pixels);
  const size_t outWidth = size_t(area.w) * size_t(factor);
  for (int y = 0; y < area.h; ++y) {
    const uint32_t* from = pixels + size_t(area.y + y) * size_t(width) + size_t(area.x);
    auto* first = reinterpret_cast<uint32_t*>(base + size_t(top + (area.y + y) * factor) * size_t(surface->pitch)) +
                  size_t(left) + size_t(area.x) * size_t(factor);
    switch (factor) {
      case 1: EnlargeRow<1>(first, from, area.w); break;
      case 2: EnlargeRow<2>(first, from, area.w); break;
      case 3: EnlargeRow<3>(first, from, area.w); break;
      case 4: EnlargeRow<4>(first, from, area.w); break;
      default: EnlargeRowBy(factor, first, from, area.w); break;
    }
    for (int k = 1; k < factor; ++k)
      std::memcpy(reinterpret_cast<uint8_t*>(first) + size_t(k) * size_t(surface->pitch), first, outWidth * 4);
  }
}

bool SdlWindowSystem::ReadBackOutput(std::vector<uint32_t>& pixels, int& width, int& height) {
  if (!renderer_ || !texture_ || textureStale_) return false;
  UpdateScaling();
  if (!DrawFrame()) return false;
  if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0 || width <= 0 || height <= 0) return false;
  // With the logical size lifted the viewport is the whole output, bars included; what was
  // drawn stays as it was drawn.
  SDL_RenderSetLogicalSize(renderer_, 0, 0);
  pixels.assign(size_t(width) * size_t(height), 0);
  const bool ok = SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) == 0;
  SDL_RenderSetLogicalSize(renderer_, logicalWidth_, logicalHeight_);
  return ok;
}

int SdlWindowSystem::ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                                    uint32_t flags) {
  static const SDL_MessageBoxButtonData kOk[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK, "OK"}};
  static const SDL_MessageBoxButtonData kOkCancel[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDOK, "OK"},
                                                       {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDCANCEL, "Cancel"}};
  static const SDL_MessageBoxButtonData kYesNo[] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"},
                                                    {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"}};
  const std::string title = Latin1ToUtf8(caption), message = Latin1ToUtf8(text);
  SDL_MessageBoxData box{};
  box.flags = ((flags & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION) |
              SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.window = IsOurs(owner) ? sdlWindow_ : nullptr;
  box.title = title.c_str();
  box.message = message.c_str();
  switch (flags & kMessageBoxButtonsMask) {
    case MB_OKCANCEL: box.buttons = kOkCancel, box.numbuttons = 2; break;
    case MB_YESNO: box.buttons = kYesNo, box.numbuttons = 2; break;
    default: box.buttons = kOk, box.numbuttons = 1; break;
  }
  // A captured mouse would keep every click from reaching the box.
  if (captured_) SDL_CaptureMouse(SDL_FALSE);
  int answer = -1;
  const bool shown = SDL_ShowMessageBox(&box, &answer) == 0;
  if (captured_) SDL_CaptureMouse(SDL_TRUE);
  if (!shown) {
    // The question still reaches whoever started the program, and the answer is the safe one.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    ReportSdlError("the message box could not be shown");
    return MessageBoxFallbackAnswer(flags);
  }
  return answer < 0 ? MessageBoxFallbackAnswer(flags) : answer;
}

void SdlWindowSystem::SetClipboardText(const std::string& text) {
  if (SDL_SetClipboardText(Latin1ToUtf8(text).c_str()) != 0) ReportSdlError("the clipboard cannot be set");
}

std::string SdlWindowSystem::GetClipboardText() {
  char* raw = SDL_GetClipboardText();
  if (!raw) return {};
  // Characters 8 bits cannot hold show as '?', so pasted text keeps its length and shape.
  std::string text = Utf8ToLatin1(raw, '?');
  SDL_free(raw);
  return text;
}

void SdlWindowSystem::SetStandardCursor(StandardCursor cursor) {
  standardCursor_ = cursor;
  customCursor_ = 0;
  if (cursor == StandardCursor::Hidden) {
    SDL_ShowCursor(SDL_DISABLE);
    return;
  }
  const size_t index = size_t(cursor) < systemCursors_.size() ? size_t(cursor) : size_t(StandardCursor::Arrow);
  SDL_Cursor*& slot = systemCursors_[index];
  if (!slot) slot = SDL_CreateSystemCursor(SystemCursorFor(StandardCursor(index)));
  if (slot) SDL_SetCursor(slot);
  SDL_ShowCursor(SDL_ENABLE);
}

CursorHandle SdlWindowSystem::CreateColorCursor(const uint32_t* pixels, int width, int height, int hotX, int hotY) {
  if (!pixels || width <= 0 || height <= 0 || width > 256 || height > 256) return 0;
  // SDL wants writable pixels for a surface it only reads; a copy keeps the caller's untouched.
  std::vector<uint32_t> copy(pixels, pixels + size_t(width) * size_t(height));
  SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(copy.data(), width, height, 32, width * 4, 0x00FF0000u, 0x0000FF00u,
                                                  0x000000FFu, 0xFF000000u);
  if (!surface) return 0;
  // SDL refuses a hot spot outside the picture; the nearest edge is what was meant.
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, std::clamp(hotX, 0, width - 1), std::clamp(hotY, 0, height - 1));
  SDL_FreeSurface(surface);
  if (!cursor) return 0;
  const CursorHandle handle = nextCursor_++;
  if (nextCursor_ == 0) nextCursor_ = 1;
  colorCursors_[handle] = cursor;
  return handle;
}

void SdlWindowSystem::SetCursor(CursorHandle cursor) {
  if (cursor == 0) {
    // No colour cursor: back to the standard one last chosen.
    SetStandardCursor(standardCursor_);
    return;
  }
  const auto found = colorCursors_.find(cursor);
  if (found == colorCursors_.end()) return;
  SDL_SetCursor(found->second);
  SDL_ShowCursor(SDL_ENABLE);
  customCursor_ = cursor;
}

void SdlWindowSystem::DestroyCursor(CursorHandle cursor) {
  const auto found = colorCursors_.find(cursor);
  if (found == colorCursors_.end()) return;
  // Never free the cursor on screen: switch away first.
  if (customCursor_ == cursor) SetStandardCursor(standardCursor_);
  SDL_FreeCursor(found->second);
  colorCursors_.erase(found);
}

}  // namespace Orva
