#include "framework/widgets/EditWidget.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "framework/fonts/SysFont.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/platform/WindowMessage.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

constexpr char kCopyChar = 3;    // Ctrl+C
constexpr char kPasteChar = 22;  // Ctrl+V
constexpr char kCutChar = 24;    // Ctrl+X
constexpr char kUndoChar = 26;   // Ctrl+Z

constexpr int kTextInset = 4;  // the text area starts this far in from the left edge

// pred holds for a leading run of [lo, hi) and fails from some index on (widths only grow as
// characters are added). Returns the first index where it fails, hi when it never does. The probes
// gallop out from lo, so the cost follows the answer, not the length of a pasted novel.
template <typename Pred>
int FirstFailing(int lo, int hi, Pred pred) {
  if (lo >= hi || !pred(lo)) return lo;
  int good = lo;
  int bad = hi;
  for (int64_t step = 1;; step *= 2) {
    const int64_t probe = good + step;
    if (probe >= hi) break;
    if (!pred(int(probe))) {
      bad = int(probe);
      break;
    }
    good = int(probe);
  }
  while (bad - good > 1) {
    const int mid = good + (bad - good) / 2;
    if (pred(mid))
      good = mid;
    else
      bad = mid;
  }
  return bad;
}

// C0 and C1 control characters and DEL: never part of a one-line text.
bool IsControlChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 32 || u == 127 || (u >= 128 && u < 160);
}

// Ctrl with these letter keys stands for the clipboard and undo characters.
char ShortcutChar(int key) {
  switch (key) {
    case 'C': return kCopyChar;
    case 'V': return kPasteChar;
    case 'X': return kCutChar;
    case 'Z': return kUndoChar;
    default: return 0;
  }
}

}  // namespace

EditWidget::EditWidget(int editId, EditListener* editListener) : id(editId), listener(editListener) {
  colors = {Color::White, Color::Black, Color::Black, Color::Black, Color::White};
  navigable = true;
}

EditWidget::~EditWidget() = default;

void EditWidget::MarkDirty() {
  // A see-through background shows what lies below, which must be redrawn under the field.
  if (GetColor(COLOR_BKG).alpha < 255)
    MarkDirtyDeep();
  else
    Widget::MarkDirty();
}

bool EditWidget::IsHeld(int key) const { return widgetManager != nullptr && widgetManager->IsKeyDown(key); }

Font* EditWidget::GetFont() {
  if (!font) {
    ImageHost* host = widgetManager && widgetManager->app ? widgetManager->app->GetImageHost() : nullptr;
    font = std::make_unique<SysFont>(host, "Arial Unicode MS", 10, 0);
  }
  return font.get();
}

const std::string& EditWidget::ShownText() {
  if (passwordChar == 0) return text;
  if (maskedText.size() != text.size() || (!maskedText.empty() && maskedText[0] != passwordChar))
    maskedText.assign(text.size(), passwordChar);
  return maskedText;
}

void EditWidget::ClampPositions() {
  const int length = int(text.size());
  cursorPos = std::clamp(cursorPos, 0, length);
  if (selectionStart < 0)
    selectionStart = -1;
  else if (selectionStart > length)
    selectionStart = length;
  // A text that became shorter (an undo, a cut to the limits) is scrolled back as ScrollToCursor
  // would, in steps of 10 towards the cursor, rather than left showing nothing.
  if (leftPos > length) leftPos -= (leftPos - cursorPos + 9) / 10 * 10;
  leftPos = std::max(leftPos, 0);
}

void EditWidget::RestartBlink() {
  cursorShown = true;
  blinkCount = 0;
}

int EditWidget::ShownWidth(int a, int b) {
  const std::string& shown = ShownText();
  b = std::min(b, int(shown.size()));
  if (a < 0 || b <= a) return 0;
  return GetFont()->StringWidth(shown.substr(size_t(a), size_t(b - a)));
}

int EditWidget::CharsFitting(int start, int maxWidth) {
  const int available = int(ShownText().size()) - start;
  const int firstTooWide =
      FirstFailing(0, available + 1, [&](int n) { return ShownWidth(start, start + n) <= maxWidth; });
  return std::max(0, firstTooWide - 1);
}

bool EditWidget::HasPixelLimit() const {
  if (widthCheckFonts.empty()) return maxPixels > 0;
  for (const WidthCheckFont& entry : widthCheckFonts)
    if (entry.font && (entry.maxPixels > 0 || maxPixels > 0)) return true;
  return false;
}

bool EditWidget::FitsLimits(const std::string& candidate) {
  if (maxChars >= 0 && candidate.size() > size_t(maxChars)) return false;
  if (widthCheckFonts.empty()) return maxPixels <= 0 || GetFont()->StringWidth(candidate) <= maxPixels;
  for (const WidthCheckFont& entry : widthCheckFonts) {
    const int limit = entry.maxPixels > 0 ? entry.maxPixels : maxPixels;
    if (entry.font && limit > 0 && entry.font->StringWidth(candidate) > limit) return false;
  }
  return true;
}

void EditWidget::CutToLimits() {
  if (FitsLimits(text)) return;
  const int firstTooLong =
      FirstFailing(0, int(text.size()) + 1, [&](int n) { return FitsLimits(text.substr(0, size_t(n))); });
  text.resize(size_t(std::max(0, firstTooLong - 1)));
}

void EditWidget::ReplaceRange(int from, int to, std::string insert) {
  const std::string head = text.substr(0, size_t(from));
  const std::string tail = text.substr(size_t(to));
  // Only the inserted part gives way to the limits: typing into the middle of a full field must
  // not push the end of the text out.
  if (maxChars >= 0) {
    const size_t kept = head.size() + tail.size();
    const size_t room = kept >= size_t(maxChars) ? 0 : size_t(maxChars) - kept;
    if (insert.size() > room) insert.resize(room);
  }
  if (!insert.empty() && HasPixelLimit() && !FitsLimits(head + insert + tail)) {
    const int firstTooWide = FirstFailing(0, int(insert.size()) + 1,
                                          [&](int n) { return FitsLimits(head + insert.substr(0, size_t(n)) + tail); });
    insert.resize(size_t(std::max(0, firstTooWide - 1)));
  }
  text = head + insert + tail;
  cursorPos = from + int(insert.size());
  selectionStart = -1;
}

bool EditWidget::DeleteSelection() {
  if (!HasSelection()) return false;
  ReplaceRange(std::min(cursorPos, selectionStart), std::max(cursorPos, selectionStart), std::string());
  return true;
}

void EditWidget::InsertAtCursor(const std::string& insert) {
  if (HasSelection())
    ReplaceRange(std::min(cursorPos, selectionStart), std::max(cursorPos, selectionStart), insert);
  else
    ReplaceRange(cursorPos, cursorPos, insert);
}

bool EditWidget::CanTypeChar(char c) {
  if (IsControlChar(c) || GetFont()->CharWidth(c) <= 0) return false;
  return listener == nullptr || listener->AllowChar(id, c);
}

std::string EditWidget::FilterPaste(const std::string& clipboard) {
  std::string kept;
  for (char c : clipboard) {
    // Only the first line: a desktop clipboard may end its lines with CR LF or with LF alone.
    if (c == '\r' || c == '\n') break;
    if (maxChars >= 0 && kept.size() >= size_t(maxChars)) break;
    if (CanTypeChar(c)) kept += c;
  }
  return kept;
}

bool EditWidget::IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void EditWidget::SelectWord() {
  ClampPositions();
  // The shown text, so a password field does not give away where its hidden words end.
  const std::string& shown = ShownText();
  const int length = int(shown.size());
  int start = cursorPos;
  int end = cursorPos;
  while (start > 0 && IsWordChar(shown[size_t(start - 1)])) --start;
  while (end < length && IsWordChar(shown[size_t(end)])) ++end;
  // Between two non-word characters the one to the right is taken, never anything past the end.
  if (start == end && end < length) ++end;
  if (start == end) return;
  selectionStart = start;
  cursorPos = end;
}

void EditWidget::SetFont(Font* newFont, Font* widthCheckFont) {
  font.reset(newFont ? newFont->Duplicate() : nullptr);
  widthCheckFonts.clear();
  if (widthCheckFont) AddWidthCheckFont(widthCheckFont, -1);
  ScrollToCursor(false);
  MarkDirty();
}

void EditWidget::AddWidthCheckFont(Font* checkFont, int limit) {
  if (!checkFont) return;
  widthCheckFonts.push_back({std::unique_ptr<Font>(checkFont->Duplicate()), limit});
}

void EditWidget::SetText(const std::string& newText, bool leftToStart) {
  text = newText;
  cursorPos = int(text.size());
  selectionStart = 0;
  // Undo reaches back to this text, not into whatever the field held before it.
  undoText = text;
  undoCursorPos = cursorPos;
  undoSelectionStart = selectionStart;
  lastEditPos = -1;
  lastEditKind_ = EditKind::None;
  if (leftToStart)
    leftPos = 0;
  else
    ScrollToCursor(true);
  MarkDirty();
}

int EditWidget::CharIndexAt(int mx, int) {
  ClampPositions();
  const int length = int(ShownText().size());
  // Past the middle of a character (plus a little), the cursor goes after it.
  const int firstLeftOf = FirstFailing(leftPos, length, [&](int i) {
    return int64_t(mx) >= (int64_t(ShownWidth(leftPos, i)) + ShownWidth(leftPos, i + 1)) / 2 + 5;
  });
  return firstLeftOf == leftPos ? 0 : firstLeftOf;
}

void EditWidget::ScrollToCursor(bool bigSteps) {
  ClampPositions();
  const int step = bigSteps ? 10 : 1;
  if (cursorPos < leftPos) {
    const int steps = (leftPos - cursorPos + step - 1) / step;
    leftPos = std::max(0, leftPos - steps * step);
    MarkDirty();
  }
  if (width < 9) return;
  const int limit = width - 8;
  // leftPos never passes the cursor, and stops where it can go no further even when a single
  // character is wider than the field.
  const int furthest = std::max(0, std::min(int(text.size()) - 1, cursorPos));
  if (leftPos >= furthest || ShownWidth(leftPos, cursorPos) < limit) return;
  const int firstTooWide =
      FirstFailing(0, cursorPos - leftPos + 1, [&](int n) { return ShownWidth(cursorPos - n, cursorPos) < limit; });
  const int nearestStart = cursorPos - (firstTooWide - 1);
  const int steps = (nearestStart - leftPos + step - 1) / step;
  leftPos = std::min(leftPos + steps * step, furthest);
  MarkDirty();
}

void EditWidget::Resize(int newX, int newY, int newWidth, int newHeight) {
  Widget::Resize(newX, newY, newWidth, newHeight);
  ScrollToCursor(false);
}

bool EditWidget::TakesFocusOnClick() { return true; }

void EditWidget::GotFocus() {
  Widget::GotFocus();
  RestartBlink();
  MarkDirty();
}

void EditWidget::LostFocus() {
  Widget::LostFocus();
  cursorShown = false;
  wordSelecting = false;
  MarkDirty();
}

void EditWidget::Update() {
  Widget::Update();
  if (!hasFocus) return;
  if (++blinkCount > blinkDelay) {
    cursorShown = !cursorShown;
    blinkCount = 0;
    MarkDirty();
  }
}

void EditWidget::KeyChar(char c) {
  // The character message of a Ctrl+letter that KeyDown already acted on.
  if (pendingControlChar_ != 0 && c == pendingControlChar_) {
    pendingControlChar_ = 0;
    return;
  }
  pendingControlChar_ = 0;
  ProcessKey(0, c);
}

void EditWidget::KeyDown(int key) {
  pendingControlChar_ = 0;
  const char shortcut = IsHeld(KEYCODE_CONTROL) && !IsHeld(KEYCODE_MENU) ? ShortcutChar(key) : 0;
  if (shortcut != 0) {
    // This desktop sends no character for Ctrl+letter, so the key itself stands for it.
    pendingControlChar_ = shortcut;
    ProcessKey(0, shortcut);
  } else if (key < 'A' || key > 'Y') {
    // Letters come as characters; their key messages would only repeat them.
    if (listener == nullptr || listener->AllowKey(id, key)) ProcessKey(key, 0);
  }
  Widget::KeyDown(key);
}

bool EditWidget::WantsKey(int key) { return key != KEYCODE_ESCAPE && key != KEYCODE_UP && key != KEYCODE_DOWN; }

bool EditWidget::PadButtonDown(int button) {
  switch (PadButton(button)) {
    case PadButton::DPAD_UP:
    case PadButton::STICK_UP: TurnPadLetter(1); return true;
    case PadButton::DPAD_DOWN:
    case PadButton::STICK_DOWN: TurnPadLetter(-1); return true;
    case PadButton::DPAD_RIGHT:
    case PadButton::STICK_RIGHT:
      ClampPositions();
      selectionStart = -1;
      ProcessKey(0, kPadLetters[0]);
      return true;
    case PadButton::DPAD_LEFT:
    case PadButton::STICK_LEFT:
    case PadButton::WEST: ProcessKey(KEYCODE_BACK, 0); return true;
    default: return false;
  }
}

void EditWidget::TurnPadLetter(int step) {
  ClampPositions();
  // A selection (the whole text of a field just opened) is replaced, as typing replaces it.
  if (HasSelection()) ProcessKey(KEYCODE_BACK, 0);
  selectionStart = -1;
  const std::string letters = kPadLetters;
  const int count = int(letters.size());
  if (cursorPos == 0) {
    ProcessKey(0, letters[step > 0 ? 0 : size_t(count - 1)]);
    return;
  }
  const size_t found = letters.find(text[size_t(cursorPos - 1)]);
  const int from = found == std::string::npos ? (step > 0 ? -1 : 0) : int(found);
  const char next = letters[size_t((from + step % count + count) % count)];
  const std::string before = text;
  ProcessKey(KEYCODE_BACK, 0);
  ProcessKey(0, next);
  // A field that refuses the letter (full, or a character it does not take) keeps the old one.
  if (text.size() < before.size()) ProcessKey(0, before[size_t(cursorPos)]);
}

void EditWidget::KeyUp(int key) {
  pendingControlChar_ = 0;
  Widget::KeyUp(key);
}

void EditWidget::ProcessKey(int key, char c) {
  if (key == KEYCODE_SHIFT || key == KEYCODE_CONTROL) return;
  ClampPositions();
  if (key == KEYCODE_RETURN) {
    // A copy: the listener may well empty the field.
    const std::string entered = text;
    if (listener) listener->OnTextEntered(id, entered);
    return;
  }

  const bool shift = IsHeld(KEYCODE_SHIFT);
  const bool ctrl = IsHeld(KEYCODE_CONTROL);
  const std::string oldText = text;
  const int oldCursor = cursorPos;
  const int oldSelection = selectionStart;
  const bool hadSelection = HasSelection();
  if (shift && selectionStart < 0) selectionStart = cursorPos;
  bool clearSelection = !shift;
  EditKind kind = EditKind::None;
  bool undone = false;
  std::string oldUndoText;
  int oldUndoCursor = 0;
  int oldUndoSelection = -1;
  WidgetHost* app = widgetManager ? widgetManager->app : nullptr;
  const int length = int(text.size());
  // Words as shown: a password field keeps where its hidden words end to itself.
  const std::string& shown = ShownText();

  if (key == 0 && (c == kCopyChar || c == kCutChar)) {
    if (HasSelection() && app) {
      const int from = std::min(cursorPos, selectionStart);
      const int to = std::max(cursorPos, selectionStart);
      // The shown text: a password field hands out its mask, never the password.
      app->CopyToClipboard(ShownText().substr(size_t(from), size_t(to - from)));
    }
    if (c == kCopyChar)
      clearSelection = false;
    else
      DeleteSelection();
  } else if (key == 0 && c == kPasteChar) {
    const std::string paste = FilterPaste(app ? app->GetClipboardText() : std::string());
    if (!paste.empty())
      InsertAtCursor(paste);
    else
      clearSelection = false;
  } else if (key == 0 && c == kUndoChar) {
    oldUndoText = undoText;
    oldUndoCursor = undoCursorPos;
    oldUndoSelection = undoSelectionStart;
    selectionStart = oldSelection;
    std::swap(text, undoText);
    std::swap(cursorPos, undoCursorPos);
    std::swap(selectionStart, undoSelectionStart);
    clearSelection = false;
    undone = true;
  } else {
    switch (key) {
      case KEYCODE_BACK:
        if (!DeleteSelection() && cursorPos > 0) {
          ReplaceRange(cursorPos - 1, cursorPos, std::string());
          kind = EditKind::Backspace;
        }
        break;
      case KEYCODE_END: cursorPos = length; break;
      case KEYCODE_HOME: cursorPos = 0; break;
      case KEYCODE_LEFT:
        if (ctrl) {
          while (cursorPos > 0 && !IsWordChar(shown[size_t(cursorPos - 1)])) --cursorPos;
          while (cursorPos > 0 && IsWordChar(shown[size_t(cursorPos - 1)])) --cursorPos;
        } else if (shift || !HasSelection()) {
          cursorPos = std::max(0, cursorPos - 1);
        } else {
          cursorPos = std::min(cursorPos, selectionStart);
        }
        break;
      case KEYCODE_RIGHT:
        if (ctrl) {
          while (cursorPos < length && IsWordChar(shown[size_t(cursorPos)])) ++cursorPos;
          while (cursorPos < length && !IsWordChar(shown[size_t(cursorPos)])) ++cursorPos;
        } else if (shift || !HasSelection()) {
          cursorPos = std::min(length, cursorPos + 1);
        } else {
          cursorPos = std::max(cursorPos, selectionStart);
        }
        break;
      case KEYCODE_DELETE:
        if (!DeleteSelection() && cursorPos < length) {
          ReplaceRange(cursorPos, cursorPos + 1, std::string());
          kind = EditKind::Delete;
        }
        break;
      default:
        if (CanTypeChar(c)) {
          InsertAtCursor(std::string(1, c));
          kind = EditKind::Typing;
        } else {
          clearSelection = false;
        }
        break;
    }
  }

  const bool changed = text != oldText;
  if (changed) CutToLimits();
  ClampPositions();
  if (cursorPos != oldCursor) RestartBlink();
  ScrollToCursor(true);
  if (clearSelection || !HasSelection()) selectionStart = -1;

  // Only a change of the text is put to the listener (and to undo); moving the cursor is not.
  if (changed) {
    if (listener && !listener->AllowText(id, text)) {
      text = oldText;
      cursorPos = oldCursor;
      selectionStart = oldSelection;
      if (undone) {
        undoText = oldUndoText;
        undoCursorPos = oldUndoCursor;
        undoSelectionStart = oldUndoSelection;
      }
      ClampPositions();
      ScrollToCursor(true);
    } else if (undone) {
      lastEditKind_ = EditKind::None;
      lastEditPos = -1;
    } else {
      const bool continuesStep =
          kind != EditKind::None && kind == lastEditKind_ && lastEditPos == oldCursor && !hadSelection;
      if (!continuesStep) {
        undoText = oldText;
        undoCursorPos = oldCursor;
        undoSelectionStart = oldSelection;
      }
      lastEditKind_ = kind;
      lastEditPos = kind == EditKind::None ? -1 : cursorPos;
    }
  } else if (cursorPos != oldCursor) {
    // Typing somewhere else starts a new undo step.
    lastEditKind_ = EditKind::None;
    lastEditPos = -1;
  }
  MarkDirty();
}

void EditWidget::MouseEnter() {
  if (widgetManager && widgetManager->app) widgetManager->app->SetCursorKind(CURSOR_TEXT);
}

void EditWidget::MouseLeave() {
  if (widgetManager && widgetManager->app) widgetManager->app->SetCursorKind(CURSOR_POINTER);
}

void EditWidget::MouseDown(int mx, int my, int, int clickCount) {
  selectionStart = -1;
  cursorPos = CharIndexAt(mx, my);
  lastEditKind_ = EditKind::None;
  lastEditPos = -1;
  if (clickCount > 1) {
    wordSelecting = true;
    SelectWord();
  }
  MarkDirty();
  ScrollToCursor(false);
}

void EditWidget::MouseDrag(int mx, int my) {
  ClampPositions();
  if (selectionStart < 0) selectionStart = cursorPos;
  cursorPos = CharIndexAt(mx, my);
  MarkDirty();
  ScrollToCursor(false);
}

void EditWidget::MouseUp(int mx, int my, int, int) {
  ClampPositions();
  if (!HasSelection()) selectionStart = -1;
  if (wordSelecting) {
    cursorPos = CharIndexAt(mx, my);
    SelectWord();
    wordSelecting = false;
    ScrollToCursor(false);
  }
  MarkDirty();
}

int EditWidget::BandX(int index, int visibleCount) {
  const int areaWidth = std::max(0, width - 8);
  if (index <= leftPos) return 0;
  if (index > leftPos + visibleCount) return areaWidth;
  return std::min(ShownWidth(leftPos, index), areaWidth);
}

void EditWidget::Draw(Graphics* g) {
  Font* textFont = GetFont();
  ClampPositions();
  const std::string& shown = ShownText();
  const int areaWidth = std::max(0, width - 8);
  const int fontHeight = textFont->GetHeight();
  const int top = (height - fontHeight) / 2;
  const int baseline = top + textFont->GetAscent();
  // Only what can show is drawn (and measured): the text may be far longer than the field.
  const int visibleCount = std::min(int(shown.size()) - leftPos, CharsFitting(leftPos, areaWidth) + 1);
  const std::string visible = shown.substr(size_t(leftPos), size_t(visibleCount));

  g->SetColor(GetColor(COLOR_BKG));
  g->FillRect(0, 0, width, height);

  Graphics textPass(*g);
  textPass.IntersectClip(kTextInset, 0, areaWidth, height);
  textPass.SetFont(textFont);
  textPass.SetColor(GetColor(COLOR_TEXT));
  textPass.DrawString(visible, kTextInset, baseline);

  // The band is the 2-pixel cursor, or the selection (shown inverted). A hidden cursor leaves an
  // empty band, so the cursor blinks.
  const int cursorX = BandX(cursorPos, visibleCount);
  const int bandStart = std::min(cursorX + (cursorShown ? 0 : 2), areaWidth);
  const int bandEnd = HasSelection() ? BandX(selectionStart, visibleCount) : std::min(cursorX + 2, areaWidth);
  const int bandLeft = std::min(bandStart, bandEnd);
  const int bandWidth = std::max(bandStart, bandEnd) - bandLeft;
  if ((hasFocus || alwaysShowSelection) && bandWidth > 0) {
    Graphics band(*g);
    band.IntersectClip(bandLeft + kTextInset, top, bandWidth, fontHeight);
    band.SetColor(GetColor(COLOR_HILITE));
    band.FillRect(bandLeft + kTextInset, top, bandWidth, fontHeight);
    band.SetFont(textFont);
    band.SetColor(GetColor(COLOR_HILITE_TEXT));
    band.DrawString(visible, kTextInset, baseline);
  }

  g->SetColor(GetColor(COLOR_OUTLINE));
  g->DrawRect(0, 0, width - 1, height - 1);
}

}  // namespace Orva
