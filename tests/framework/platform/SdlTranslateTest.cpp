#include <SDL_keycode.h>
#include <SDL_mouse.h>
#include <SDL_scancode.h>
#include <SDL_video.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "framework/platform/FrameScaling.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/SdlTranslate.h"
#include "framework/platform/SdlWindowSystem.h"
#include "framework/platform/WindowMessage.h"
#include "support/ScopedEnv.h"

namespace Orva {
namespace {

int Key(SDL_Keycode key, int scancode = SDL_SCANCODE_UNKNOWN, bool numLock = true) {
  return VirtualKeyFromSdl(key, scancode, numLock);
}

// A stick pushed past half its reach presses its direction; it is let go only under a quarter, so a
// stick resting near the threshold does not chatter, and flipping sides lets one go before the
// other is pressed.
TEST(PadTranslation, StickDirectionsPressPastHalfAndLetGoUnderAQuarter) {
  PadStickAxis axis(PadButton::STICK_LEFT, PadButton::STICK_RIGHT);
  const auto step = [&](int16_t value) {
    const PadStickAxis::Change change = axis.Update(value);
    return std::make_pair(change.released, change.pressed);
  };
  constexpr PadButton kNone = PadButton::COUNT;
  EXPECT_EQ(step(16000), std::make_pair(kNone, kNone));
  EXPECT_EQ(step(16384), std::make_pair(kNone, PadButton::STICK_RIGHT));
  EXPECT_EQ(step(9000), std::make_pair(kNone, kNone)) << "between a quarter and half: still held";
  EXPECT_EQ(step(20000), std::make_pair(kNone, kNone));
  EXPECT_EQ(step(-32768), std::make_pair(PadButton::STICK_RIGHT, PadButton::STICK_LEFT));
  EXPECT_EQ(step(-8192), std::make_pair(kNone, kNone));
  EXPECT_EQ(step(-8191), std::make_pair(PadButton::STICK_LEFT, kNone));
  EXPECT_EQ(axis.Held(), kNone);

  EXPECT_EQ(PadButtonFromSdl(0), PadButton::SOUTH);
  EXPECT_EQ(PadButtonFromSdl(14), PadButton::DPAD_RIGHT);
  EXPECT_EQ(PadButtonFromSdl(15), PadButton::COUNT) << "no name for the misc button";
  EXPECT_EQ(PadButtonFromSdl(-1), PadButton::COUNT);
}

TEST(SdlKeyTranslation, LettersDigitsAndFunctionKeysUseTheirVirtualNumbers) {
  EXPECT_EQ(Key(SDLK_a, SDL_SCANCODE_A), 'A');
  EXPECT_EQ(Key(SDLK_z, SDL_SCANCODE_Z), 'Z');
  EXPECT_EQ(Key(SDLK_0, SDL_SCANCODE_0), '0');
  EXPECT_EQ(Key(SDLK_9, SDL_SCANCODE_9), '9');
  EXPECT_EQ(Key(SDLK_F1), KEYCODE_F1);
  EXPECT_EQ(Key(SDLK_F12), KEYCODE_F12);
  EXPECT_EQ(Key(SDLK_F13), KEYCODE_F12 + 1);
  // The layout decides letters: on AZERTY the key where US has Q types A.
  EXPECT_EQ(Key(SDLK_a, SDL_SCANCODE_Q), 'A');
}

TEST(SdlKeyTranslation, NavigationModifiersAndEditingKeys) {
  EXPECT_EQ(Key(SDLK_LEFT), 37);
  EXPECT_EQ(Key(SDLK_UP), 38);
  EXPECT_EQ(Key(SDLK_RIGHT), 39);
  EXPECT_EQ(Key(SDLK_DOWN), 40);
  EXPECT_EQ(Key(SDLK_ESCAPE), 27);
  EXPECT_EQ(Key(SDLK_RETURN), 13);
  EXPECT_EQ(Key(SDLK_SPACE), 32);
  EXPECT_EQ(Key(SDLK_BACKSPACE), KEYCODE_BACK);
  EXPECT_EQ(Key(SDLK_PAGEUP), KEYCODE_PRIOR);
  EXPECT_EQ(Key(SDLK_PAGEDOWN), KEYCODE_NEXT);
  // Left and right modifiers are the one classic key each.
  EXPECT_EQ(Key(SDLK_LSHIFT), KEYCODE_SHIFT);
  EXPECT_EQ(Key(SDLK_RSHIFT), KEYCODE_SHIFT);
  EXPECT_EQ(Key(SDLK_LCTRL), KEYCODE_CONTROL);
  EXPECT_EQ(Key(SDLK_RCTRL), KEYCODE_CONTROL);
  EXPECT_EQ(Key(SDLK_LALT), KEYCODE_MENU);
  EXPECT_EQ(Key(SDLK_RALT), KEYCODE_MENU);
}

TEST(SdlKeyTranslation, PunctuationIsTheOemKeys) {
  EXPECT_EQ(Key(SDLK_SEMICOLON), KEYCODE_OEM_1);
  EXPECT_EQ(Key(SDLK_EQUALS), KEYCODE_OEM_PLUS);
  EXPECT_EQ(Key(SDLK_COMMA), KEYCODE_OEM_COMMA);
  EXPECT_EQ(Key(SDLK_MINUS), KEYCODE_OEM_MINUS);
  EXPECT_EQ(Key(SDLK_PERIOD), KEYCODE_OEM_PERIOD);
  EXPECT_EQ(Key(SDLK_SLASH), KEYCODE_OEM_2);
  EXPECT_EQ(Key(SDLK_BACKQUOTE), KEYCODE_OEM_3);
  EXPECT_EQ(Key(SDLK_LEFTBRACKET), KEYCODE_OEM_4);
  EXPECT_EQ(Key(SDLK_BACKSLASH), KEYCODE_OEM_5);
  EXPECT_EQ(Key(SDLK_RIGHTBRACKET), KEYCODE_OEM_6);
  EXPECT_EQ(Key(SDLK_QUOTE), KEYCODE_OEM_7);
}

TEST(SdlKeyTranslation, SymbolsOutsideAsciiFallBackToTheKeysPosition) {
  // A Cyrillic layout's key at US "F", and German "ö" at US ";".
  EXPECT_EQ(Key(SDL_Keycode(0x0430), SDL_SCANCODE_F), 'F');
  EXPECT_EQ(Key(SDL_Keycode(0xF6), SDL_SCANCODE_SEMICOLON), KEYCODE_OEM_1);
  EXPECT_EQ(Key(SDL_Keycode(0xF6), SDL_SCANCODE_0), '0');
}

TEST(SdlKeyTranslation, KeypadFollowsNumLock) {
  EXPECT_EQ(Key(SDLK_KP_0, SDL_SCANCODE_KP_0), KEYCODE_NUMPAD0);
  EXPECT_EQ(Key(SDLK_KP_7, SDL_SCANCODE_KP_7), KEYCODE_NUMPAD0 + 7);
  EXPECT_EQ(Key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD), KEYCODE_DECIMAL);
  EXPECT_EQ(Key(SDLK_KP_MULTIPLY, SDL_SCANCODE_KP_MULTIPLY), KEYCODE_MULTIPLY);
  EXPECT_EQ(Key(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS), KEYCODE_ADD);
  EXPECT_EQ(Key(SDLK_KP_MINUS, SDL_SCANCODE_KP_MINUS), KEYCODE_SUBTRACT);
  EXPECT_EQ(Key(SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE), KEYCODE_DIVIDE);
  EXPECT_EQ(Key(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), KEYCODE_RETURN);
  // Num Lock off: the arrows and editing keys printed on the pad.
  EXPECT_EQ(Key(SDLK_KP_8, SDL_SCANCODE_KP_8, false), KEYCODE_UP);
  EXPECT_EQ(Key(SDLK_KP_4, SDL_SCANCODE_KP_4, false), KEYCODE_LEFT);
  EXPECT_EQ(Key(SDLK_KP_7, SDL_SCANCODE_KP_7, false), KEYCODE_HOME);
  EXPECT_EQ(Key(SDLK_KP_3, SDL_SCANCODE_KP_3, false), KEYCODE_NEXT);
  EXPECT_EQ(Key(SDLK_KP_0, SDL_SCANCODE_KP_0, false), KEYCODE_INSERT);
  EXPECT_EQ(Key(SDLK_KP_PERIOD, SDL_SCANCODE_KP_PERIOD, false), KEYCODE_DELETE);
  EXPECT_EQ(Key(SDLK_KP_PLUS, SDL_SCANCODE_KP_PLUS, false), KEYCODE_ADD);
}

TEST(SdlKeyTranslation, KeysWithoutAVirtualNumberAreUnknown) {
  EXPECT_EQ(Key(SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN), KEYCODE_UNKNOWN);
  EXPECT_EQ(Key(SDLK_AC_BACK, SDL_SCANCODE_AC_BACK), KEYCODE_UNKNOWN);
  EXPECT_EQ(Key(SDL_Keycode(0x20AC), SDL_SCANCODE_UNKNOWN), KEYCODE_UNKNOWN);
  EXPECT_EQ(Key(SDLK_UNKNOWN, -1), KEYCODE_UNKNOWN);
  EXPECT_EQ(Key(SDLK_UNKNOWN, 100000), KEYCODE_UNKNOWN);
}

TEST(SdlKeyMessages, AltWithoutCtrlMakesSystemKeys) {
  EXPECT_EQ(KeyMessageId(true, 'A', KMOD_NONE), MSG_KEYDOWN);
  EXPECT_EQ(KeyMessageId(false, 'A', KMOD_NONE), MSG_KEYUP);
  EXPECT_EQ(KeyMessageId(true, 'A', KMOD_LALT), MSG_SYSKEYDOWN);
  EXPECT_EQ(KeyMessageId(false, KEYCODE_F4, KMOD_RALT), MSG_SYSKEYUP);
  EXPECT_EQ(KeyMessageId(true, 'A', KMOD_LALT | KMOD_LSHIFT), MSG_SYSKEYDOWN);
  // Ctrl+Alt is AltGr on many layouts: ordinary keys.
  EXPECT_EQ(KeyMessageId(true, 'Q', KMOD_RALT | KMOD_LCTRL), MSG_KEYDOWN);
  EXPECT_EQ(KeyMessageId(true, KEYCODE_F10, KMOD_NONE), MSG_SYSKEYDOWN);
  EXPECT_EQ(KeyMessageId(false, KEYCODE_F10, KMOD_NONE), MSG_SYSKEYUP);
  // The Alt key itself: SDL has already cleared its bit when it comes up.
  EXPECT_EQ(KeyMessageId(true, KEYCODE_MENU, KMOD_LALT), MSG_SYSKEYDOWN);
  EXPECT_EQ(KeyMessageId(false, KEYCODE_MENU, KMOD_NONE), MSG_SYSKEYUP);
}

TEST(SdlKeyMessages, LParamCarriesRepeatPreviousStateAndTransition) {
  EXPECT_EQ(KeyLParam(true, false), 1);
  EXPECT_EQ(KeyLParam(true, true), 1 | (int64_t(1) << 30));
  EXPECT_EQ(KeyLParam(false, false), int64_t(0xC0000001u));
  EXPECT_GT(KeyLParam(false, false), 0) << "the record's lParam stays positive";
}

TEST(SdlKeyMessages, CharactersAreSystemOnlyWithTheLeftAlt) {
  EXPECT_EQ(CharMessageId(KMOD_NONE), MSG_CHAR);
  EXPECT_EQ(CharMessageId(KMOD_LSHIFT), MSG_CHAR);
  EXPECT_EQ(CharMessageId(KMOD_LALT), MSG_SYSCHAR);
  EXPECT_EQ(CharMessageId(KMOD_RALT), MSG_CHAR) << "AltGr types text";
  EXPECT_EQ(CharMessageId(KMOD_LALT | KMOD_RCTRL), MSG_CHAR);
}

TEST(SdlKeyMessages, ControlKeysTypeTheirControlCharacters) {
  EXPECT_EQ(ControlCharForKey(KEYCODE_BACK), 8);
  EXPECT_EQ(ControlCharForKey(KEYCODE_TAB), 9);
  EXPECT_EQ(ControlCharForKey(KEYCODE_RETURN), 13);
  EXPECT_EQ(ControlCharForKey(KEYCODE_ESCAPE), 27);
  EXPECT_EQ(ControlCharForKey('A'), 0);
  EXPECT_EQ(ControlCharForKey(KEYCODE_DELETE), 0);
}

TEST(SdlText, Utf8BecomesLatin1AndOtherCharactersAreDropped) {
  EXPECT_EQ(Utf8ToLatin1("Rune 7", 0), "Rune 7");
  EXPECT_EQ(Utf8ToLatin1("caf\xC3\xA9", 0), "caf\xE9");
  EXPECT_EQ(Utf8ToLatin1("\xC2\xA0\xC3\xBF", 0), "\xA0\xFF");  // the ends of Latin-1
  EXPECT_EQ(Utf8ToLatin1("\xC4\x80", 0), "") << "U+0100 is past 8 bits";
  EXPECT_EQ(Utf8ToLatin1("a\xE2\x82\xAC"
                         "b",
                         0),
            "ab")
      << "the euro sign";
  EXPECT_EQ(Utf8ToLatin1("a\xF0\x9F\x98\x80"
                         "b",
                         0),
            "ab")
      << "a 4-byte character goes as one";
  EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC", '?'), "?");
  EXPECT_EQ(Utf8ToLatin1("\xF0\x9F\x98\x80", '?'), "?");
}

TEST(SdlText, MalformedUtf8IsSkippedWithoutLosingWhatFollows) {
  // A lone Latin-1 byte, a stray continuation byte, bytes UTF-8 never uses.
  EXPECT_EQ(Utf8ToLatin1("x\xE9y", '?'), "x?y");
  EXPECT_EQ(Utf8ToLatin1("x\x80y", '?'), "x?y");
  EXPECT_EQ(Utf8ToLatin1("\xFF\xFE", '?'), "??");
  // Overlong forms of '/' and of NUL, and an encoded surrogate.
  EXPECT_EQ(Utf8ToLatin1("\xC0\xAF", '?'), "??");
  EXPECT_EQ(Utf8ToLatin1("\xE0\x80\xAF", '?'), "???");
  EXPECT_EQ(Utf8ToLatin1("\xC0\x80", 0), "");
  EXPECT_EQ(Utf8ToLatin1("\xED\xA0\x80", '?'), "???");
  EXPECT_EQ(Utf8ToLatin1("\xF4\x90\x80\x80", '?'), "????") << "past U+10FFFF";
  // A sequence broken by an ASCII byte keeps that byte.
  EXPECT_EQ(Utf8ToLatin1("\xC3"
                         "A",
                         '?'),
            "?A");
  EXPECT_EQ(Utf8ToLatin1("\xF0\x9F"
                         "A",
                         '?'),
            "?A");
}

TEST(SdlText, CutOffSequencesAtTheEndAreNotReadPast) {
  // The views end inside the sequence; the bytes behind them must not be used.
  const char buffer[] = "a\xC3\xA9\xF0\x9F\x98\x80";
  EXPECT_EQ(Utf8ToLatin1(std::string_view(buffer, 2), '?'), "a?");
  EXPECT_EQ(Utf8ToLatin1(std::string_view(buffer + 3, 3), '?'), "?");
  EXPECT_EQ(Utf8ToLatin1(std::string_view(buffer + 3, 1), 0), "");
  EXPECT_EQ(Utf8ToLatin1(std::string_view(), '?'), "");
}

TEST(SdlText, Latin1ToUtf8RoundTripsEveryByte) {
  EXPECT_EQ(Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(Latin1ToUtf8("\x7F\x80\xFF"), "\x7F\xC2\x80\xC3\xBF");
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(char(c));
  EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(all), '?'), all);
}

TEST(SdlMouse, ButtonsAndClickCountsChooseTheMessage) {
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, true, 1), MSG_LBUTTONDOWN);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, true, 2), MSG_LBUTTONDBLCLK);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, true, 3), MSG_LBUTTONDOWN);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, true, 4), MSG_LBUTTONDBLCLK);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, true, 0), MSG_LBUTTONDOWN) << "pushed events may say 0";
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_LEFT, false, 2), MSG_LBUTTONUP);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_RIGHT, true, 1), MSG_RBUTTONDOWN);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_RIGHT, true, 2), MSG_RBUTTONDBLCLK);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_RIGHT, false, 1), MSG_RBUTTONUP);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_MIDDLE, true, 2), MSG_MBUTTONDBLCLK);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_MIDDLE, false, 1), MSG_MBUTTONUP);
  EXPECT_EQ(MouseButtonMessageId(SDL_BUTTON_X1, true, 1), 0u);
  EXPECT_EQ(MouseButtonMessageId(0, true, 1), 0u);
}

TEST(SdlMouse, ButtonMaskAndModifiersBecomeMouseKeyBits) {
  // SDL numbers the middle button 2 and the right one 3; the classic bits are the other way.
  EXPECT_EQ(MouseKeyBits(SDL_BUTTON_RMASK, KMOD_NONE), uint64_t(MK_RBUTTON));
  EXPECT_EQ(MouseKeyBits(SDL_BUTTON_MMASK, KMOD_NONE), uint64_t(MK_MBUTTON));
  EXPECT_EQ(MouseKeyBits(SDL_BUTTON_LMASK | SDL_BUTTON_X1MASK, KMOD_RSHIFT | KMOD_LCTRL),
            uint64_t(MK_LBUTTON | MK_SHIFT | MK_CONTROL));
}

TEST(SdlMouse, WheelNotchesAreMultiplesOf120InTheHighWord) {
  EXPECT_EQ(WheelDelta(MouseWheelWParam(1, false, 0)), 120);
  EXPECT_EQ(WheelDelta(MouseWheelWParam(-2, false, 0)), -240);
  EXPECT_EQ(WheelDelta(MouseWheelWParam(1, true, 0)), -120);
  EXPECT_EQ(MouseWheelWParam(1, false, MK_LBUTTON) & 0xFFFF, uint64_t(MK_LBUTTON));
  // A flood of notches is held at the field's limit instead of wrapping to the other direction.
  EXPECT_EQ(WheelDelta(MouseWheelWParam(1000, false, 0)), 32767);
  EXPECT_EQ(WheelDelta(MouseWheelWParam(-1000, false, 0)), -32768);
}

TEST(SdlMessageBox, ClosingWithoutAnswerGivesTheCautiousOne) {
  EXPECT_EQ(MessageBoxFallbackAnswer(MB_OK), IDOK);
  EXPECT_EQ(MessageBoxFallbackAnswer(MB_OK | MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxFallbackAnswer(MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxFallbackAnswer(MB_YESNO | MB_ICONQUESTION), IDNO);
}

TEST(SdlTimers, FireOncePerCheckAndKeepTheirPeriod) {
  TimerTable timers;
  timers.Set(7, 10, 1000);
  uint32_t id = 0;
  EXPECT_FALSE(timers.TakeDue(1009, id));
  ASSERT_TRUE(timers.TakeDue(1035, id));
  EXPECT_EQ(id, 7u);
  EXPECT_FALSE(timers.TakeDue(1035, id)) << "a late check still gives one message";
  EXPECT_TRUE(timers.TakeDue(1045, id));
  timers.Kill(7);
  EXPECT_FALSE(timers.TakeDue(5000, id));
  timers.Set(8, 0, 0);
  EXPECT_TRUE(timers.TakeDue(1, id)) << "a zero period is taken as one millisecond";
}

TEST(SdlTimers, KeepWorkingWhenTheClockWraps) {
  TimerTable timers;
  timers.Set(1, 100, 0xFFFFFFC0u);  // due 36 ms after the wrap
  uint32_t id = 0;
  EXPECT_FALSE(timers.TakeDue(0xFFFFFFF0u, id));
  EXPECT_FALSE(timers.TakeDue(10, id));
  EXPECT_TRUE(timers.TakeDue(36, id));
}

// Sets an environment variable for one scope and puts the old value back.
using ::Testing::ScopedEnv;

TEST(SdlWindowSystemStart, AnUnavailableDriverMeansNoWindowSystemAndSaysWhy) {
  ScopedEnv driver("SDL_VIDEODRIVER", "orva-no-such-driver");
  testing::internal::CaptureStderr();
  const auto system = CreateSdlWindowSystem();
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_EQ(system, nullptr);
  EXPECT_NE(error.find("orva-no-such-driver"), std::string::npos) << error;
}

TEST(SdlWindowSystemStart, WithoutADisplaySdlDoesNotFallBackToAnInvisibleOne) {
  ScopedEnv driver("SDL_VIDEODRIVER", nullptr);
  ScopedEnv x11("DISPLAY", nullptr);
  ScopedEnv wayland("WAYLAND_DISPLAY", nullptr);
  testing::internal::CaptureStderr();
  const auto system = CreateSdlWindowSystem();
  testing::internal::GetCapturedStderr();
  // Null, unless this machine has a screen of its own (a console SDL can draw on).
  if (system) {
    const std::string name = SDL_GetCurrentVideoDriver();
    EXPECT_NE(name, "offscreen");
    EXPECT_NE(name, "dummy");
  }
}

}  // namespace
}  // namespace Orva

namespace Orva {
namespace {

// The common desktop sizes: whole multiples where they fill the screen well, a sharp fit where a
// whole multiple would leave much of it black (1600 x 900 at 1x left 79 % unused).
TEST(FrameScaling, WholeMultiplesWhereTheyFillWellElseASharpFit) {
  struct Case {
    int width, height;
    FrameScaling::Mode mode;
    int factor;
  };
  const Case cases[] = {
      {640, 480, FrameScaling::WHOLE, 1},  {1280, 960, FrameScaling::WHOLE, 2},  {2560, 1440, FrameScaling::WHOLE, 3},
      {1600, 900, FrameScaling::SHARP, 2}, {1366, 768, FrameScaling::SHARP, 2},  {1440, 900, FrameScaling::SHARP, 2},
      {1536, 864, FrameScaling::SHARP, 2}, {1920, 1080, FrameScaling::SHARP, 3}, {3840, 2160, FrameScaling::SHARP, 5},
      {1024, 768, FrameScaling::SHARP, 2}, {600, 400, FrameScaling::PLAIN, 1},   {640, 479, FrameScaling::PLAIN, 1},
  };
  for (const Case& c : cases) {
    const FrameScaling s = ChooseFrameScaling(c.width, c.height, 640, 480, false);
    EXPECT_EQ(s.mode, c.mode) << c.width << "x" << c.height;
    EXPECT_EQ(s.factor, c.factor) << c.width << "x" << c.height;
  }
  // Pixel perfect keeps whole multiples, bars and all.
  EXPECT_EQ(ChooseFrameScaling(1600, 900, 640, 480, true).mode, FrameScaling::WHOLE);
  EXPECT_EQ(ChooseFrameScaling(1600, 900, 640, 480, true).factor, 1);
  EXPECT_EQ(ChooseFrameScaling(600, 400, 640, 480, true).mode, FrameScaling::PLAIN);
}

}  // namespace
}  // namespace Orva
