#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/platform/WindowMessage.h"

namespace Orva {

struct ScreenArea {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// How frames reach the screen: through the graphics card (SDL's accelerated renderer), or drawn
// by the processor straight into the window. AUTOMATIC takes the card only when the machine has
// one: OpenGL that is itself drawn by the processor costs several times the direct way.
enum class PresentPath { AUTOMATIC, HARDWARE, SOFTWARE };

// "auto", "hardware" or "software" (any case); false for anything else.
bool ParsePresentPath(const std::string& text, PresentPath& path);
const char* PresentPathName(PresentPath path);

struct WindowOptions {
  std::string title;
  int width = 640;  // logical client size: the back buffer's size
  int height = 480;
  bool windowed = true;  // false: desktop full screen, letterboxed
  int x = -1;            // -1: centred
  int y = -1;
  bool resizable = true;
  // A window opens this many times the client size (the picture is scaled to fit it); it cannot
  // be made smaller than the client size. Back-ends without real windows ignore it.
  int scale = 1;
  // The window's own size as the player left it; 0 opens it at scale times the client size.
  int openWidth = 0;
  int openHeight = 0;
  PresentPath presentPath = PresentPath::AUTOMATIC;
};

// Standard pointer shapes.
enum class StandardCursor { Arrow, Hand, TextBeam, NoEntry, Move, SizeNeSw, SizeNS, SizeNwSe, SizeWE, Busy, Hidden };

// Message box flags and answers, numbered as the classic desktop numbers them.
enum MessageBoxFlags : uint32_t {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20
};
enum MessageBoxResult : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Everything the framework needs of the desktop: the main window, its message stream, the
// millisecond clock, presenting frames, message boxes, the clipboard and cursors. Only the
// platform folder knows how it is done; the rest of the system sees this interface alone.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  virtual bool IsHeadless() const = 0;

  // The one millisecond clock everything is timed with; Sleep waits on the same clock.
  virtual uint32_t GetTickCount() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;

  virtual WindowHandle CreateMainWindow(const WindowOptions& windowOptions) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual void ShowWindow(WindowHandle window, bool show) = 0;
  virtual void SetWindowTitle(WindowHandle window, const std::string& title) = 0;
  // The picture the desktop shows for the window (taskbar, switcher): 0xAARRGGBB pixels, top row
  // first. Window systems without one ignore it.
  virtual void SetWindowIcon(WindowHandle, const uint32_t* /*pixels*/, int /*width*/, int /*height*/) {}
  // Shows the window in front of the others, restored when minimised (a second launch asked).
  virtual void BringToFront(WindowHandle) {}
  // Whole-multiple enlargement only, with bars, instead of a sharp fit (see FrameScaling.h).
  virtual void SetPixelPerfect(bool /*pixelPerfect*/) {}
  virtual bool IsMinimized(WindowHandle window) = 0;
  virtual bool IsWindowActive(WindowHandle window) = 0;
  // The desktop area a window may use, and the desktop's full size.
  virtual ScreenArea GetDesktopWorkArea() = 0;
  virtual ScreenArea GetDesktopSize() = 0;
  virtual ScreenArea GetWindowArea(WindowHandle window) = 0;  // outer position and client size

  // Removes the oldest pending message, translated into the framework's record. False when none.
  virtual bool PollMessage(WindowMessage& out) = 0;
  // A timer message (MSG_TIMER with this id) every period milliseconds of the clock.
  virtual void SetTimer(WindowHandle window, uint32_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(WindowHandle window, uint32_t id) = 0;

  // Mouse position in the logical (back-buffer) space; false when the mouse is not over the window.
  virtual bool GetMousePosition(WindowHandle window, int& x, int& y) = 0;
  virtual void CaptureMouse(WindowHandle window, bool capture) = 0;

  // Shows a 32-bit 0xAARRGGBB frame of the logical size; only the changed rectangle need be new.
  // False when the window could not be drawn to (it is lost and must be made again).
  virtual bool Present(WindowHandle window, const uint32_t* pixels, int width, int height, int changedX, int changedY,
                       int changedWidth, int changedHeight) = 0;

  virtual int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                             uint32_t flags) = 0;

  virtual void SetClipboardText(const std::string& text) = 0;
  virtual std::string GetClipboardText() = 0;

  virtual void SetStandardCursor(StandardCursor cursor) = 0;
  // A colour cursor from 0xAARRGGBB pixels; 0 when it cannot be made.
  virtual CursorHandle CreateColorCursor(const uint32_t* pixels, int width, int height, int hotX, int hotY) = 0;
  virtual void SetCursor(CursorHandle cursor) = 0;
  virtual void DestroyCursor(CursorHandle cursor) = 0;
};

enum class WindowSystemKind { Desktop, Headless };

// The desktop window system, or the headless one (in-memory display, scripted input, manual clock).
// Null when the desktop one cannot start (no display); the error goes to standard error.
std::unique_ptr<WindowSystem> CreateWindowSystem(WindowSystemKind kind);

}  // namespace Orva
