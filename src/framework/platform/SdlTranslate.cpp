#include "framework/platform/SdlTranslate.h"

#include <SDL_keycode.h>
#include <SDL_mouse.h>
#include <SDL_scancode.h>

#include <algorithm>

#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/platform/WindowSystem.h"

namespace Orva {

namespace {

// Virtual keys KeyCodes.h has no name for.
constexpr int kKeyClear = 0x0C;   // keypad 5 with Num Lock off
constexpr int kKeyOem102 = 0xE2;  // the extra key beside left Shift on ISO keyboards
constexpr int kKeyF13 = 0x7C;     // F13..F24 follow F12
constexpr int kKeyVolumeMute = 0xAD;
constexpr int kKeyVolumeDown = 0xAE;
constexpr int kKeyVolumeUp = 0xAF;

int KeypadKey(SDL_Scancode scancode, bool numLock) {
  // With Num Lock off the digit keys are the navigation keys printed beneath the digits.
  static constexpr int kNavigation[10] = {KEYCODE_INSERT, KEYCODE_END,   KEYCODE_DOWN, KEYCODE_NEXT, KEYCODE_LEFT,
                                          kKeyClear,      KEYCODE_RIGHT, KEYCODE_HOME, KEYCODE_UP,   KEYCODE_PRIOR};
  int digit = -1;
  switch (scancode) {
    case SDL_SCANCODE_KP_0: digit = 0; break;
    case SDL_SCANCODE_KP_1: digit = 1; break;
    case SDL_SCANCODE_KP_2: digit = 2; break;
    case SDL_SCANCODE_KP_3: digit = 3; break;
    case SDL_SCANCODE_KP_4: digit = 4; break;
    case SDL_SCANCODE_KP_5: digit = 5; break;
    case SDL_SCANCODE_KP_6: digit = 6; break;
    case SDL_SCANCODE_KP_7: digit = 7; break;
    case SDL_SCANCODE_KP_8: digit = 8; break;
    case SDL_SCANCODE_KP_9: digit = 9; break;
    case SDL_SCANCODE_KP_PERIOD: return numLock ? KEYCODE_DECIMAL : KEYCODE_DELETE;
    case SDL_SCANCODE_KP_DIVIDE: return KEYCODE_DIVIDE;
    case SDL_SCANCODE_KP_MULTIPLY: return KEYCODE_MULTIPLY;
    case SDL_SCANCODE_KP_MINUS: return KEYCODE_SUBTRACT;
    case SDL_SCANCODE_KP_PLUS: return KEYCODE_ADD;
    case SDL_SCANCODE_KP_ENTER: return KEYCODE_RETURN;
    default: return -1;  // not a keypad key
  }
  return numLock ? KEYCODE_NUMPAD0 + digit : kNavigation[digit];
}

// Keys with the same meaning on every layout, and the US punctuation symbols.
int SymbolKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + int(key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + int(key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return KEYCODE_F1 + int(key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return kKeyF13 + int(key - SDLK_F13);
  switch (key) {
    case SDLK_BACKSPACE: return KEYCODE_BACK;
    case SDLK_TAB: return KEYCODE_TAB;
    case SDLK_RETURN:
    case SDLK_RETURN2: return KEYCODE_RETURN;
    case SDLK_ESCAPE: return KEYCODE_ESCAPE;
    case SDLK_SPACE: return KEYCODE_SPACE;
    case SDLK_PAUSE: return KEYCODE_PAUSE;
    case SDLK_CAPSLOCK: return KEYCODE_CAPITAL;
    case SDLK_PAGEUP: return KEYCODE_PRIOR;
    case SDLK_PAGEDOWN: return KEYCODE_NEXT;
    case SDLK_END: return KEYCODE_END;
    case SDLK_HOME: return KEYCODE_HOME;
    case SDLK_LEFT: return KEYCODE_LEFT;
    case SDLK_UP: return KEYCODE_UP;
    case SDLK_RIGHT: return KEYCODE_RIGHT;
    case SDLK_DOWN: return KEYCODE_DOWN;
    case SDLK_PRINTSCREEN: return KEYCODE_SNAPSHOT;
    case SDLK_INSERT: return KEYCODE_INSERT;
    case SDLK_DELETE: return KEYCODE_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return KEYCODE_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return KEYCODE_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return KEYCODE_MENU;
    case SDLK_LGUI: return KEYCODE_LWIN;
    case SDLK_RGUI: return KEYCODE_RWIN;
    case SDLK_APPLICATION: return KEYCODE_APPS;
    case SDLK_NUMLOCKCLEAR: return KEYCODE_NUMLOCK;
    case SDLK_SCROLLLOCK: return KEYCODE_SCROLL;
    case SDLK_MUTE:
    case SDLK_AUDIOMUTE: return kKeyVolumeMute;
    case SDLK_VOLUMEDOWN: return kKeyVolumeDown;
    case SDLK_VOLUMEUP: return kKeyVolumeUp;
    case SDLK_SEMICOLON: return KEYCODE_OEM_1;
    case SDLK_EQUALS: return KEYCODE_OEM_PLUS;
    case SDLK_COMMA: return KEYCODE_OEM_COMMA;
    case SDLK_MINUS: return KEYCODE_OEM_MINUS;
    case SDLK_PERIOD: return KEYCODE_OEM_PERIOD;
    case SDLK_SLASH: return KEYCODE_OEM_2;
    case SDLK_BACKQUOTE: return KEYCODE_OEM_3;
    case SDLK_LEFTBRACKET: return KEYCODE_OEM_4;
    case SDLK_BACKSLASH: return KEYCODE_OEM_5;
    case SDLK_RIGHTBRACKET: return KEYCODE_OEM_6;
    case SDLK_QUOTE: return KEYCODE_OEM_7;
    default: return 0;
  }
}

// Where the key sits on a US keyboard.
int PositionKey(SDL_Scancode scancode) {
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) return 'A' + int(scancode - SDL_SCANCODE_A);
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + int(scancode - SDL_SCANCODE_1);
  switch (scancode) {
    case SDL_SCANCODE_0: return '0';
    case SDL_SCANCODE_SEMICOLON: return KEYCODE_OEM_1;
    case SDL_SCANCODE_EQUALS: return KEYCODE_OEM_PLUS;
    case SDL_SCANCODE_COMMA: return KEYCODE_OEM_COMMA;
    case SDL_SCANCODE_MINUS: return KEYCODE_OEM_MINUS;
    case SDL_SCANCODE_PERIOD: return KEYCODE_OEM_PERIOD;
    case SDL_SCANCODE_SLASH: return KEYCODE_OEM_2;
    case SDL_SCANCODE_GRAVE: return KEYCODE_OEM_3;
    case SDL_SCANCODE_LEFTBRACKET: return KEYCODE_OEM_4;
    case SDL_SCANCODE_BACKSLASH:
    case SDL_SCANCODE_NONUSHASH: return KEYCODE_OEM_5;
    case SDL_SCANCODE_RIGHTBRACKET: return KEYCODE_OEM_6;
    case SDL_SCANCODE_APOSTROPHE: return KEYCODE_OEM_7;
    case SDL_SCANCODE_NONUSBACKSLASH: return kKeyOem102;
    default: return 0;
  }
}

}  // namespace

int VirtualKeyFromSdl(int32_t key, int scancode, bool numLock) {
  const auto position = scancode > 0 && scancode < SDL_NUM_SCANCODES ? SDL_Scancode(scancode) : SDL_SCANCODE_UNKNOWN;
  // The keypad is recognised by position: its symbols do not depend on the layout.
  const int keypad = KeypadKey(position, numLock);
  if (keypad >= 0) return keypad;
  if (const int bySymbol = SymbolKey(SDL_Keycode(key))) return bySymbol;
  return PositionKey(position);
}

bool AltMakesSystemKeys(uint16_t keyMods) { return (keyMods & KMOD_ALT) && !(keyMods & KMOD_CTRL); }

uint32_t KeyMessageId(bool down, int virtualKey, uint16_t keyMods) {
  // SDL has already dropped the Alt bit when the Alt key's own key-up arrives.
  const bool system = virtualKey == KEYCODE_F10 || (virtualKey == KEYCODE_MENU && !(keyMods & KMOD_CTRL)) ||
                      AltMakesSystemKeys(keyMods);
  if (system) return down ? MSG_SYSKEYDOWN : MSG_SYSKEYUP;
  return down ? MSG_KEYDOWN : MSG_KEYUP;
}

int64_t KeyLParam(bool down, bool repeat) {
  int64_t lParam = 1;
  if (!down || repeat) lParam |= int64_t(1) << 30;
  if (!down) lParam |= int64_t(1) << 31;
  return lParam;
}

uint32_t CharMessageId(uint16_t keyMods) {
  return (keyMods & KMOD_LALT) && !(keyMods & KMOD_CTRL) ? MSG_SYSCHAR : MSG_CHAR;
}

uint8_t ControlCharForKey(int virtualKey) {
  switch (virtualKey) {
    case KEYCODE_BACK: return 0x08;
    case KEYCODE_TAB: return 0x09;
    case KEYCODE_RETURN: return 0x0D;
    case KEYCODE_ESCAPE: return 0x1B;
    default: return 0;
  }
}

std::string Utf8ToLatin1(std::string_view utf8, char placeholder) {
  std::string out;
  out.reserve(utf8.size());
  const auto bad = [&] {
    if (placeholder) out.push_back(placeholder);
  };
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t lead = uint8_t(utf8[i]);
    if (lead < 0x80) {
      out.push_back(char(lead));
      ++i;
      continue;
    }
    // The length and the range of the first continuation byte rule out overlong forms,
    // surrogates and code points past U+10FFFF in one check.
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      bad();  // a stray continuation byte, or a byte UTF-8 never uses
      ++i;
      continue;
    }
    // A broken sequence is skipped as far as it was valid, so the byte that broke it starts
    // the next character.
    size_t used = 1;
    bool ok = true;
    for (; used < length; ++used) {
      if (i + used >= n) {
        ok = false;
        break;
      }
      const uint8_t next = uint8_t(utf8[i + used]);
      if (next < low || next > high) {
        ok = false;
        break;
      }
      low = 0x80, high = 0xBF;
      code = (code << 6) | (next & 0x3F);
    }
    i += used;
    if (ok && code <= 0xFF) {
      out.push_back(char(uint8_t(code)));
    } else {
      bad();
    }
  }
  return out;
}

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size() * 2);
  for (const char ch : latin1) {
    const uint8_t c = uint8_t(ch);
    if (c < 0x80) {
      out.push_back(ch);
    } else {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

uint32_t MouseButtonMessageId(uint8_t sdlButton, bool down, uint8_t clicks) {
  const bool doubleClick = down && clicks >= 2 && clicks % 2 == 0;
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return !down ? MSG_LBUTTONUP : doubleClick ? MSG_LBUTTONDBLCLK : MSG_LBUTTONDOWN;
    case SDL_BUTTON_RIGHT: return !down ? MSG_RBUTTONUP : doubleClick ? MSG_RBUTTONDBLCLK : MSG_RBUTTONDOWN;
    case SDL_BUTTON_MIDDLE: return !down ? MSG_MBUTTONUP : doubleClick ? MSG_MBUTTONDBLCLK : MSG_MBUTTONDOWN;
    default: return 0;
  }
}

uint64_t MouseKeyBits(uint32_t sdlButtonMask, uint16_t keyMods) {
  uint64_t bits = 0;
  if (sdlButtonMask & SDL_BUTTON_LMASK) bits |= MK_LBUTTON;
  if (sdlButtonMask & SDL_BUTTON_RMASK) bits |= MK_RBUTTON;
  if (sdlButtonMask & SDL_BUTTON_MMASK) bits |= MK_MBUTTON;
  if (keyMods & KMOD_SHIFT) bits |= MK_SHIFT;
  if (keyMods & KMOD_CTRL) bits |= MK_CONTROL;
  return bits;
}

uint64_t MouseWheelWParam(int32_t notches, bool flipped, uint64_t keyBits) {
  int64_t delta = int64_t(notches) * 120;
  if (flipped) delta = -delta;
  delta = std::clamp<int64_t>(delta, INT16_MIN, INT16_MAX);
  return (keyBits & 0xFFFF) | (uint64_t(uint16_t(int16_t(delta))) << 16);
}

PadButton PadButtonFromSdl(int sdlButton) {
  // SDL's buttons A, B, X, Y, back, guide, start, the sticks, the shoulders and the d-pad are
  // numbered 0 to 14 in the same order as PadButton (checked where SDL's header is included).
  // The rest (paddles, touchpad, the misc button) have no name here.
  return sdlButton >= 0 && sdlButton <= int(PadButton::DPAD_RIGHT) ? PadButton(sdlButton) : PadButton::COUNT;
}

PadStickAxis::Change PadStickAxis::Update(int16_t value) {
  constexpr int kPress = 16384, kRelease = 8192;  // half and a quarter of the axis' reach
  PadButton want = held_;
  if (held_ == PadButton::COUNT) {
    if (value <= -kPress) want = negative_;
    if (value >= kPress) want = positive_;
  } else {
    const bool stillHeld = held_ == negative_ ? value <= -kRelease : value >= kRelease;
    if (!stillHeld) want = value <= -kPress ? negative_ : value >= kPress ? positive_ : PadButton::COUNT;
  }
  Change change;
  if (want != held_) {
    change.released = held_;
    change.pressed = want;
    held_ = want;
  }
  return change;
}

int MessageBoxFallbackAnswer(uint32_t flags) {
  switch (flags & kMessageBoxButtonsMask) {
    case MB_YESNO: return IDNO;
    case MB_OKCANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

void TimerTable::Set(uint32_t id, uint32_t periodMs, uint32_t now) {
  const uint32_t period = std::max<uint32_t>(1, periodMs);
  timers_[id] = {period, now + period};
}

bool TimerTable::TakeDue(uint32_t now, uint32_t& id) {
  for (auto& [timerId, timer] : timers_) {
    // The difference read as signed keeps working when the clock wraps.
    if (int32_t(now - timer.due) >= 0) {
      timer.due = now + timer.period;
      id = timerId;
      return true;
    }
  }
  return false;
}

}  // namespace Orva
