#pragma once

#include <atomic>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/WindowSystem.h"

namespace Orva {

// A window system with no desktop: the window is a frame in memory, input comes from a script
// that tests (or a replay) queue up, and the clock moves only when told to or when something
// sleeps. Drawing goes through the same code as in a real window, so the last presented frame
// is what a player would have seen.
class HeadlessWindowSystem : public WindowSystem {
 public:
  HeadlessWindowSystem() = default;
  // With realClock the clock is the real one and sleeping waits: a window-less run at the real
  // pace, for measuring the loop. Tests keep the manual clock.
  explicit HeadlessWindowSystem(bool realClock);

  bool IsHeadless() const override { return true; }
  uint32_t GetTickCount() override;
  // Sleeping advances the manual clock: nothing ever waits on real time (unless realClock).
  void Sleep(uint32_t milliseconds) override;
  void AdvanceClock(uint32_t milliseconds) { now_ += milliseconds; }

  WindowHandle CreateMainWindow(const WindowOptions& windowOptions) override;
  void DestroyWindow(WindowHandle window) override;
  void ShowWindow(WindowHandle window, bool show) override;
  void SetWindowTitle(WindowHandle window, const std::string& title) override;
  bool IsMinimized(WindowHandle) override { return minimized_; }
  bool IsWindowActive(WindowHandle window) override { return window != 0 && window == window_ && active_; }
  ScreenArea GetDesktopWorkArea() override { return {0, 0, 1920, 1050}; }
  ScreenArea GetDesktopSize() override { return {0, 0, 1920, 1080}; }
  ScreenArea GetWindowArea(WindowHandle window) override;

  bool PollMessage(WindowMessage& out) override;
  void SetTimer(WindowHandle window, uint32_t id, uint32_t periodMs) override;
  void KillTimer(WindowHandle window, uint32_t id) override;

  bool GetMousePosition(WindowHandle window, int& x, int& y) override;
  void CaptureMouse(WindowHandle, bool capture) override { captured_ = capture; }

  bool Present(WindowHandle window, const uint32_t* pixels, int width, int height, int changedX, int changedY,
               int changedWidth, int changedHeight) override;

  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption, uint32_t flags) override;

  void SetClipboardText(const std::string& text) override { clipboard_ = text; }
  std::string GetClipboardText() override { return clipboard_; }

  void SetStandardCursor(StandardCursor cursor) override;
  CursorHandle CreateColorCursor(const uint32_t* pixels, int width, int height, int hotX, int hotY) override;
  void SetCursor(CursorHandle cursor) override { customCursor_ = cursor; }
  void DestroyCursor(CursorHandle cursor) override;

  // The script: messages come out of PollMessage in the order queued. Mouse messages also move
  // the pointer that GetMousePosition reports.
  void QueueMessage(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0);
  void QueueKeyDown(int key);
  void QueueKeyUp(int key);
  void QueueChar(char ch);
  void QueueMouseMove(int x, int y);
  void QueueMouseDown(int x, int y, int button = 0, bool doubleClick = false);  // 0 left, 1 right, 2 middle
  void QueueMouseUp(int x, int y, int button = 0);
  void QueueMouseWheel(int x, int y, int delta);
  // A game controller: plugged in, a button, unplugged (pad is the messages' pad number).
  void QueuePadAdded(int pad = 0);
  void QueuePadButton(PadButton button, bool down, int pad = 0);
  void QueuePadRemoved(int pad = 0);
  size_t PendingMessages() const { return queue_.size(); }
  void SetActive(bool active) { active_ = active; }
  void SetMinimized(bool minimized) { minimized_ = minimized; }

  // The in-memory display: the last presented frame, 0xAARRGGBB, row-major.
  const std::vector<uint32_t>& Frame() const { return frame_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  int PresentCount() const { return presentCount_; }
  bool WindowShown() const { return shown_; }
  const std::string& WindowTitle() const { return title_; }
  bool MouseCaptured() const { return captured_; }
  StandardCursor CurrentStandardCursor() const { return standardCursor_; }
  CursorHandle CurrentCustomCursor() const { return customCursor_; }

  // Message boxes answer at once with the scripted answer; the text is logged for tests and
  // written to standard error so a person running headless sees it.
  void SetMessageBoxAnswer(int answer) { messageBoxAnswer_ = answer; }
  const std::vector<std::string>& MessageBoxLog() const { return messageBoxLog_; }

 private:
  struct Timer {
    uint32_t period;
    uint32_t due;
  };

  // Read by the loading thread (the application's clock) while the main thread sleeps it forward.
  std::atomic<uint32_t> now_{0};
  bool realClock_ = false;
  int64_t realStart_ = 0;  // steady-clock milliseconds at construction (realClock)
  WindowHandle window_ = 0;
  WindowHandle nextHandle_ = 1;
  std::string title_;
  int clientWidth_ = 0, clientHeight_ = 0;
  bool shown_ = false, minimized_ = false, active_ = true, captured_ = false;
  int mouseX_ = -1, mouseY_ = -1;
  uint32_t buttons_ = 0;
  std::deque<WindowMessage> queue_;
  std::map<uint32_t, Timer> timers_;
  std::vector<uint32_t> frame_;
  int frameWidth_ = 0, frameHeight_ = 0, presentCount_ = 0;
  std::string clipboard_;
  StandardCursor standardCursor_ = StandardCursor::Arrow;
  CursorHandle customCursor_ = 0, nextCursor_ = 1;
  std::map<CursorHandle, std::vector<uint32_t>> cursors_;
  int messageBoxAnswer_ = IDOK;
  std::vector<std::string> messageBoxLog_;
};

}  // namespace Orva
