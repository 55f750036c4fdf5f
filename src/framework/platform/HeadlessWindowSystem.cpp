#include "framework/platform/HeadlessWindowSystem.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace Orva {

namespace {
int64_t SteadyMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

HeadlessWindowSystem::HeadlessWindowSystem(bool realClock) : realClock_(realClock), realStart_(SteadyMilliseconds()) {}

uint32_t HeadlessWindowSystem::GetTickCount() {
  return realClock_ ? uint32_t(SteadyMilliseconds() - realStart_) : now_.load();
}

void HeadlessWindowSystem::Sleep(uint32_t milliseconds) {
  if (realClock_) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  } else {
    now_ += milliseconds;
  }
}

WindowHandle HeadlessWindowSystem::CreateMainWindow(const WindowOptions& windowOptions) {
  window_ = nextHandle_++;
  title_ = windowOptions.title;
  clientWidth_ = std::max(0, windowOptions.width);
  clientHeight_ = std::max(0, windowOptions.height);
  frameWidth_ = clientWidth_;
  frameHeight_ = clientHeight_;
  frame_.assign(size_t(frameWidth_) * size_t(frameHeight_), 0xFF000000u);
  shown_ = false;
  return window_;
}

void HeadlessWindowSystem::DestroyWindow(WindowHandle window) {
  if (window != window_) return;
  window_ = 0;
  shown_ = false;
  timers_.clear();
}

void HeadlessWindowSystem::ShowWindow(WindowHandle window, bool show) {
  if (window == window_) shown_ = show;
}

void HeadlessWindowSystem::SetWindowTitle(WindowHandle window, const std::string& title) {
  if (window == window_) title_ = title;
}

ScreenArea HeadlessWindowSystem::GetWindowArea(WindowHandle window) {
  if (window != window_) return {};
  return {64, 64, clientWidth_, clientHeight_};
}

bool HeadlessWindowSystem::PollMessage(WindowMessage& out) {
  if (!queue_.empty()) {
    out = queue_.front();
    queue_.pop_front();
    return true;
  }
  // Timers fire on the manual clock, at most one message per poll.
  for (auto& [id, timer] : timers_) {
    if (int32_t(GetTickCount() - timer.due) >= 0) {
      timer.due = GetTickCount() + timer.period;
      out = {window_, MSG_TIMER, id, 0};
      return true;
    }
  }
  return false;
}

void HeadlessWindowSystem::SetTimer(WindowHandle window, uint32_t id, uint32_t periodMs) {
  if (window != window_) return;
  const uint32_t period = std::max<uint32_t>(1, periodMs);
  timers_[id] = {period, GetTickCount() + period};
}

void HeadlessWindowSystem::KillTimer(WindowHandle, uint32_t id) { timers_.erase(id); }

bool HeadlessWindowSystem::GetMousePosition(WindowHandle window, int& x, int& y) {
  x = mouseX_;
  y = mouseY_;
  return window == window_ && mouseX_ >= 0 && mouseY_ >= 0 && mouseX_ < clientWidth_ && mouseY_ < clientHeight_;
}

bool HeadlessWindowSystem::Present(WindowHandle window, const uint32_t* pixels, int width, int height, int changedX,
                                   int changedY, int changedWidth, int changedHeight) {
  if (window == 0 || window != window_ || !pixels || width <= 0 || height <= 0) return false;
  if (width != frameWidth_ || height != frameHeight_) {
    frameWidth_ = width;
    frameHeight_ = height;
    frame_.assign(size_t(width) * size_t(height), 0xFF000000u);
  }
  const int x0 = std::clamp(changedX, 0, width), y0 = std::clamp(changedY, 0, height);
  const int x1 = int(std::clamp<int64_t>(int64_t(changedX) + changedWidth, x0, width));
  const int y1 = int(std::clamp<int64_t>(int64_t(changedY) + changedHeight, y0, height));
  for (int y = y0; y < y1; ++y)
    std::copy(pixels + size_t(y) * width + x0, pixels + size_t(y) * width + x1,
              frame_.begin() + long(size_t(y) * width + x0));
  ++presentCount_;
  return true;
}

int HeadlessWindowSystem::ShowMessageBox(WindowHandle, const std::string& text, const std::string& caption, uint32_t) {
  messageBoxLog_.push_back(caption + ": " + text);
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return messageBoxAnswer_;
}

void HeadlessWindowSystem::SetStandardCursor(StandardCursor cursor) {
  standardCursor_ = cursor;
  customCursor_ = 0;
}

CursorHandle HeadlessWindowSystem::CreateColorCursor(const uint32_t* pixels, int width, int height, int, int) {
  if (!pixels || width <= 0 || height <= 0 || width > 256 || height > 256) return 0;
  const CursorHandle handle = nextCursor_++;
  cursors_[handle].assign(pixels, pixels + size_t(width) * size_t(height));
  return handle;
}

void HeadlessWindowSystem::DestroyCursor(CursorHandle cursor) {
  cursors_.erase(cursor);
  if (customCursor_ == cursor) customCursor_ = 0;
}

void HeadlessWindowSystem::QueueMessage(uint32_t message, uint64_t wParam, int64_t lParam) {
  queue_.push_back({window_, message, wParam, lParam});
}

void HeadlessWindowSystem::QueueKeyDown(int key) { QueueMessage(MSG_KEYDOWN, uint64_t(key), 1); }

void HeadlessWindowSystem::QueueKeyUp(int key) { QueueMessage(MSG_KEYUP, uint64_t(key), int64_t(0xC0000001u)); }

void HeadlessWindowSystem::QueueChar(char ch) { QueueMessage(MSG_CHAR, uint8_t(ch), 1); }

void HeadlessWindowSystem::QueuePadAdded(int pad) { QueueMessage(MSG_PADADDED, 0, pad); }

void HeadlessWindowSystem::QueuePadButton(PadButton button, bool down, int pad) {
  QueueMessage(down ? MSG_PADBUTTONDOWN : MSG_PADBUTTONUP, uint64_t(button), pad);
}

void HeadlessWindowSystem::QueuePadRemoved(int pad) { QueueMessage(MSG_PADREMOVED, 0, pad); }

void HeadlessWindowSystem::QueueMouseMove(int x, int y) {
  mouseX_ = x;
  mouseY_ = y;
  QueueMessage(MSG_MOUSEMOVE, buttons_, MakeLParam(x, y));
}

namespace {
const uint32_t kButtonBits[3] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
const uint32_t kDownMessages[3] = {MSG_LBUTTONDOWN, MSG_RBUTTONDOWN, MSG_MBUTTONDOWN};
const uint32_t kDoubleMessages[3] = {MSG_LBUTTONDBLCLK, MSG_RBUTTONDBLCLK, MSG_MBUTTONDBLCLK};
const uint32_t kUpMessages[3] = {MSG_LBUTTONUP, MSG_RBUTTONUP, MSG_MBUTTONUP};
}  // namespace

void HeadlessWindowSystem::QueueMouseDown(int x, int y, int button, bool doubleClick) {
  button = std::clamp(button, 0, 2);
  mouseX_ = x;
  mouseY_ = y;
  buttons_ |= kButtonBits[button];
  QueueMessage(doubleClick ? kDoubleMessages[button] : kDownMessages[button], buttons_, MakeLParam(x, y));
}

void HeadlessWindowSystem::QueueMouseUp(int x, int y, int button) {
  button = std::clamp(button, 0, 2);
  mouseX_ = x;
  mouseY_ = y;
  buttons_ &= ~kButtonBits[button];
  QueueMessage(kUpMessages[button], buttons_, MakeLParam(x, y));
}

void HeadlessWindowSystem::QueueMouseWheel(int x, int y, int delta) {
  QueueMessage(MSG_MOUSEWHEEL, buttons_ | (uint64_t(uint16_t(int16_t(delta))) << 16), MakeLParam(x, y));
}

}  // namespace Orva
