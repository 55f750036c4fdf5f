#pragma once

// How SDL's input becomes the framework's window messages: pure functions with no display, so
// the rules can be checked on their own. SDL's key symbols (SDL_Keycode), scancodes and
// modifier bits (SDL_Keymod) are taken as plain integers, so this header needs no SDL headers.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "framework/platform/WindowMessage.h"

namespace Orva {

// The virtual key number for a key, 0 when it has none. Letters, digits and punctuation follow
// the key's symbol in the current layout; keys whose symbol is not one of those (another
// alphabet, accented letters) fall back to where the key sits on a US keyboard. With Num Lock
// off the keypad gives the navigation keys printed on it, as the classic desktop does.
int VirtualKeyFromSdl(int32_t key, int scancode, bool numLock);

// Alt without Ctrl makes keys and characters "system" ones; Ctrl+Alt is how AltGr reaches a
// program on many layouts, and that types ordinary characters.
bool AltMakesSystemKeys(uint16_t keyMods);

// MSG_KEYDOWN / MSG_KEYUP, or their system forms while Alt is held. F10 is always a system key,
// and so is the Alt key itself, on its way up as well as down.
uint32_t KeyMessageId(bool down, int virtualKey, uint16_t keyMods);

// Repeat count 1, bit 30 when the key was already down (auto-repeat, and every key-up), bit 31
// on key-up.
int64_t KeyLParam(bool down, bool repeat);

// MSG_CHAR, or MSG_SYSCHAR while the left Alt key is held. The right Alt key is AltGr on many
// layouts, and the characters it types must stay ordinary text.
uint32_t CharMessageId(uint16_t keyMods);

// The control character a key types (Backspace, Tab, Return, Escape), 0 for none. SDL's text
// input leaves these out, but text fields expect them as character messages.
uint8_t ControlCharForKey(int virtualKey);

// UTF-8 to 8-bit Latin-1 text. Characters above U+00FF, and malformed bytes (stray continuation
// bytes, overlong forms, surrogates, cut-off sequences), become `placeholder`, or are left out
// when it is 0. Never reads past the end of the input.
std::string Utf8ToLatin1(std::string_view utf8, char placeholder);

// 8-bit Latin-1 text to UTF-8.
std::string Latin1ToUtf8(std::string_view latin1);

// The message for an SDL mouse button going down or up; an even click count is a double-click.
// 0 for buttons the framework has no message for (the side buttons).
uint32_t MouseButtonMessageId(uint8_t sdlButton, bool down, uint8_t clicks);

// MK_* bits from SDL's button mask and the keyboard modifiers.
uint64_t MouseKeyBits(uint32_t sdlButtonMask, uint16_t keyMods);

// The wheel message's wParam: MK_* bits, and the wheel's notches times 120 in the high word,
// up positive. Notches beyond what the 16-bit field holds are cut to its limit.
uint64_t MouseWheelWParam(int32_t notches, bool flipped, uint64_t keyBits);

// The pad button for an SDL game-controller button (SDL_GameControllerButton as a plain number);
// PadButton::COUNT for buttons the framework has no name for.
PadButton PadButtonFromSdl(int sdlButton);

// One stick axis as two direction buttons: a direction is pressed when the axis passes half its
// reach and let go when it falls back under a quarter, so a stick resting near the threshold
// does not chatter. Update gives the buttons that went down and up, COUNT for none.
class PadStickAxis {
 public:
  PadStickAxis(PadButton negative, PadButton positive) : negative_(negative), positive_(positive) {}
  struct Change {
    PadButton released = PadButton::COUNT;
    PadButton pressed = PadButton::COUNT;
  };
  Change Update(int16_t value);
  PadButton Held() const { return held_; }

 private:
  PadButton negative_, positive_;
  PadButton held_ = PadButton::COUNT;
};

// The low four bits of message box flags choose the buttons.
inline constexpr uint32_t kMessageBoxButtonsMask = 0x0F;

// Message box answers when the box is closed without a button, or cannot be shown at all: the
// cautious one of the offered answers.
int MessageBoxFallbackAnswer(uint32_t flags);

// The timers behind MSG_TIMER, on a wrapping millisecond clock. At most one message per timer
// per check; the next one is due a period after the check that fired it.
class TimerTable {
 public:
  void Set(uint32_t id, uint32_t periodMs, uint32_t now);
  void Kill(uint32_t id) { timers_.erase(id); }
  void Clear() { timers_.clear(); }
  // The id of a timer due at `now`, rescheduled; false when none is.
  bool TakeDue(uint32_t now, uint32_t& id);

 private:
  struct Timer {
    uint32_t period;
    uint32_t due;
  };
  std::map<uint32_t, Timer> timers_;
};

}  // namespace Orva
