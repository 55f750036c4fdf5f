#pragma once

#include <cstdint>

namespace Orva {

using WindowHandle = uint32_t;  // 0 is no window
using CursorHandle = uint32_t;  // 0 is no cursor

// The window messages the framework's window procedure handles. The numbers are the classic
// desktop message numbers, so that queued records, logs and tests read the same everywhere.
enum WindowMessageId : uint32_t {
  MSG_DESTROY = 0x0002,
  MSG_MOVE = 0x0003,    // lParam: x | y << 16 (client top-left on the desktop)
  MSG_SIZE = 0x0005,    // wParam: SIZE_*; lParam: width | height << 16
  MSG_ENABLE = 0x000A,  // wParam: enabled
  MSG_PAINT = 0x000F,
  MSG_CLOSE = 0x0010,
  MSG_QUERYOPEN = 0x0013,
  MSG_SYSCOLORCHANGE = 0x0015,
  MSG_ACTIVATEAPP = 0x001C,  // wParam: active
  MSG_DISPLAYCHANGE = 0x007E,
  MSG_KEYDOWN = 0x0100,  // wParam: virtual key; lParam: repeat count | previous state << 30
  MSG_KEYUP = 0x0101,
  MSG_CHAR = 0x0102,  // wParam: 8-bit character
  MSG_DEADCHAR = 0x0103,
  MSG_SYSKEYDOWN = 0x0104,  // keys pressed while Alt is held (and F10)
  MSG_SYSKEYUP = 0x0105,
  MSG_SYSCHAR = 0x0106,
  MSG_TIMER = 0x0113,      // wParam: timer id
  MSG_MOUSEMOVE = 0x0200,  // wParam: MK_* buttons; lParam: x | y << 16 in the 640 x 480 space
  MSG_LBUTTONDOWN = 0x0201,
  MSG_LBUTTONUP = 0x0202,
  MSG_LBUTTONDBLCLK = 0x0203,
  MSG_RBUTTONDOWN = 0x0204,
  MSG_RBUTTONUP = 0x0205,
  MSG_RBUTTONDBLCLK = 0x0206,
  MSG_MBUTTONDOWN = 0x0207,
  MSG_MBUTTONUP = 0x0208,
  MSG_MBUTTONDBLCLK = 0x0209,
  MSG_MOUSEWHEEL = 0x020A,  // wParam: MK_* | delta << 16 (multiples of 120, up is positive)
  // Game controllers, which the classic desktop has no messages for: numbered in the range it
  // leaves to applications. lParam is the pad's number, stable while it stays plugged in.
  MSG_PADBUTTONDOWN = 0x8100,  // wParam: PadButton
  MSG_PADBUTTONUP = 0x8101,
  MSG_PADADDED = 0x8102,
  MSG_PADREMOVED = 0x8103,
};

// A controller's buttons, named by position as on the common pads (south is the lower face
// button). The left stick's four directions count as buttons too, pressed past a threshold.
enum class PadButton : uint32_t {
  SOUTH,
  EAST,
  WEST,
  NORTH,
  BACK,
  GUIDE,
  START,
  LEFT_STICK,
  RIGHT_STICK,
  LEFT_SHOULDER,
  RIGHT_SHOULDER,
  DPAD_UP,
  DPAD_DOWN,
  DPAD_LEFT,
  DPAD_RIGHT,
  STICK_UP,
  STICK_DOWN,
  STICK_LEFT,
  STICK_RIGHT,
  COUNT
};

enum SizeKind : uint32_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };

// Button and modifier bits of mouse messages.
enum MouseKeyBits : uint32_t {
  MK_LBUTTON = 0x01,
  MK_RBUTTON = 0x02,
  MK_SHIFT = 0x04,
  MK_CONTROL = 0x08,
  MK_MBUTTON = 0x10
};

// One queued window message: the same four fields whatever the window system.
struct WindowMessage {
  WindowHandle window = 0;
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

inline int64_t MakeLParam(int low, int high) {
  return int64_t((uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16)));
}
inline int LParamX(int64_t lParam) { return int16_t(uint16_t(lParam & 0xFFFF)); }
inline int LParamY(int64_t lParam) { return int16_t(uint16_t((lParam >> 16) & 0xFFFF)); }
inline int WheelDelta(uint64_t wParam) { return int16_t(uint16_t((wParam >> 16) & 0xFFFF)); }

}  // namespace Orva
