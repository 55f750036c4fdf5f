#pragma once

namespace Orva {

// Virtual key numbers, as the classic desktop numbers them. Letters and digits are their
// upper-case ASCII codes ('A' is 65, '0' is 48).
enum KeyCode : int {
  KEYCODE_UNKNOWN = 0,
  KEYCODE_LBUTTON = 0x01,
  KEYCODE_RBUTTON = 0x02,
  KEYCODE_MBUTTON = 0x04,
  KEYCODE_BACK = 0x08,
  KEYCODE_TAB = 0x09,
  KEYCODE_RETURN = 0x0D,
  KEYCODE_SHIFT = 0x10,
  KEYCODE_CONTROL = 0x11,
  KEYCODE_MENU = 0x12,  // Alt
  KEYCODE_PAUSE = 0x13,
  KEYCODE_CAPITAL = 0x14,
  KEYCODE_ESCAPE = 0x1B,
  KEYCODE_SPACE = 0x20,
  KEYCODE_PRIOR = 0x21,  // Page Up
  KEYCODE_NEXT = 0x22,   // Page Down
  KEYCODE_END = 0x23,
  KEYCODE_HOME = 0x24,
  KEYCODE_LEFT = 0x25,
  KEYCODE_UP = 0x26,
  KEYCODE_RIGHT = 0x27,
  KEYCODE_DOWN = 0x28,
  KEYCODE_SNAPSHOT = 0x2C,
  KEYCODE_INSERT = 0x2D,
  KEYCODE_DELETE = 0x2E,
  KEYCODE_LWIN = 0x5B,
  KEYCODE_RWIN = 0x5C,
  KEYCODE_APPS = 0x5D,
  KEYCODE_NUMPAD0 = 0x60,  // to NUMPAD9 = 0x69
  KEYCODE_MULTIPLY = 0x6A,
  KEYCODE_ADD = 0x6B,
  KEYCODE_SUBTRACT = 0x6D,
  KEYCODE_DECIMAL = 0x6E,
  KEYCODE_DIVIDE = 0x6F,
  KEYCODE_F1 = 0x70,  // to F12 = 0x7B
  KEYCODE_F4 = 0x73,
  KEYCODE_F10 = 0x79,
  KEYCODE_F11 = 0x7A,
  KEYCODE_F12 = 0x7B,
  KEYCODE_NUMLOCK = 0x90,
  KEYCODE_SCROLL = 0x91,
  KEYCODE_OEM_1 = 0xBA,       // ;:
  KEYCODE_OEM_PLUS = 0xBB,    // =+
  KEYCODE_OEM_COMMA = 0xBC,   // ,<
  KEYCODE_OEM_MINUS = 0xBD,   // -_
  KEYCODE_OEM_PERIOD = 0xBE,  // .>
  KEYCODE_OEM_2 = 0xBF,       // /?
  KEYCODE_OEM_3 = 0xC0,       // `~
  KEYCODE_OEM_4 = 0xDB,       // [{
  KEYCODE_OEM_5 = 0xDC,       // \|
  KEYCODE_OEM_6 = 0xDD,       // ]}
  KEYCODE_OEM_7 = 0xDE,       // '"
};

}  // namespace Orva
