#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/graphics/Font.h"
#include "framework/widgets/EditListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Graphics;

// A single-line text field for 8-bit (Latin-1) text: a blinking cursor, horizontal scrolling that
// keeps the cursor in view, selection with the mouse (double click: a word) and with Shift, word
// moves with Ctrl+Left/Right, the clipboard (Ctrl+C, Ctrl+X, Ctrl+V), one-step undo (Ctrl+Z; a
// second Ctrl+Z redoes), a password mask and limits on the length in characters and in pixels.
//
// What the field holds is always sound: cursorPos, selectionStart and leftPos stay inside the
// text whatever is typed, pasted, clicked or assigned to them (each operation clamps them first).
// Control characters (below 32, 127 and 128 to 159) and characters the font gives no width are
// never typed or pasted; a pasted text ends at its first line break.
//
// Limits apply to editing: a typed or pasted text is shortened to what fits, so the text after
// the cursor is never pushed out. SetText stores its text as given.
//
// The clipboard is the application's (widgetManager->app); a field with no application copies
// nothing and pastes nothing.
class EditWidget : public Widget {
 public:
  enum ColorId {
    COLOR_BKG = 0,
    COLOR_OUTLINE = 1,
    COLOR_TEXT = 2,
    COLOR_HILITE = 3,  // the selection band and the cursor
    COLOR_HILITE_TEXT = 4,
  };

  struct WidthCheckFont {
    std::unique_ptr<Font> font;
    int maxPixels = -1;  // -1: the field's maxPixels
  };

  int id = 0;
  std::string text;
  std::string maskedText;      // the password form of text, kept by ShownText
  std::unique_ptr<Font> font;  // the default system font is made when first needed
  std::vector<WidthCheckFont> widthCheckFonts;
  EditListener* listener = nullptr;  // not owned; may be null
  bool cursorShown = false;
  bool alwaysShowSelection = false;  // also without the focus
  bool wordSelecting = false;        // between a double click and its release
  int cursorPos = 0;
  int selectionStart = -1;  // -1: none; the selection runs between it and cursorPos
  int blinkCount = 0;
  int blinkDelay = 40;    // updates between cursor blinks
  int leftPos = 0;        // first visible character
  int maxChars = -1;      // -1: no limit
  int maxPixels = -1;     // -1: no limit
  char passwordChar = 0;  // 0: text is shown as it is
  std::string undoText;
  int undoCursorPos = 0;
  int undoSelectionStart = -1;
  int lastEditPos = -1;  // where the last typing, backspace or delete left the cursor

  EditWidget(int editId, EditListener* editListener);
  ~EditWidget() override;

  void MarkDirty() override;
  using Widget::MarkDirty;
  void Update() override;
  void Draw(Graphics* g) override;
  void Resize(int newX, int newY, int newWidth, int newHeight) override;
  using Widget::Resize;
  bool TakesFocusOnClick() override;
  void GotFocus() override;
  void LostFocus() override;
  void KeyChar(char c) override;
  void KeyDown(int key) override;
  void KeyUp(int key) override;
  // Every key but Escape, up and down, which leave the field to the manager's navigation.
  bool WantsKey(int key) override;
  // Typing with a pad, a letter at a time: up and down turn the letter before the cursor through
  // kPadLetters (making one when there is none), right adds the next letter, left and the west
  // button erase one. South (Enter) and east (Escape) are left to the manager.
  bool PadButtonDown(int button) override;
  static constexpr const char* kPadLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -_";
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  void MouseUp(int mx, int my, int button, int clickCount) override;
  using Widget::MouseDown;
  using Widget::MouseUp;
  void MouseDrag(int mx, int my) override;

  // One key (key code, char 0) or one character (key 0). Shift and Ctrl are read from the
  // widget manager.
  virtual void ProcessKey(int key, char c);
  // Selects the word around the cursor (or the one character there when it is not in a word).
  virtual void SelectWord();
  // Keeps copies. widthCheckFont, when given, replaces the width-check fonts; it is measured
  // against maxPixels.
  virtual void SetFont(Font* newFont, Font* widthCheckFont = nullptr);
  // The whole new text is selected, so typing replaces it. Undo starts afresh from it.
  virtual void SetText(const std::string& newText, bool leftToStart = true);
  virtual bool IsWordChar(char c);
  // The cursor position for a point in widget coordinates.
  virtual int CharIndexAt(int mx, int my);
  // Moves leftPos until the cursor is in view (by 10 characters with bigSteps, else by 1).
  virtual void ScrollToCursor(bool bigSteps);

  // A further font the text must fit in: within its own limit, or within maxPixels when -1.
  void AddWidthCheckFont(Font* checkFont, int limit = -1);
  // text, or passwordChar repeated as often.
  const std::string& ShownText();
  bool HasSelection() const { return selectionStart >= 0 && selectionStart != cursorPos; }
  // The font in use (the default one is made here when none is set).
  Font* GetFont();

 private:
  enum class EditKind { None, Typing, Backspace, Delete };

  bool IsHeld(int key) const;
  // Puts cursorPos, selectionStart and leftPos back inside the text.
  void ClampPositions();
  bool CanTypeChar(char c);
  // Replaces the letter before the cursor with the one step further through kPadLetters.
  void TurnPadLetter(int step);
  // Replaces [from, to) by insert, shortened to what the limits leave room for; the cursor ends
  // after it and the selection is gone.
  void ReplaceRange(int from, int to, std::string insert);
  // Deletes the selection; false when there is none.
  bool DeleteSelection();
  void InsertAtCursor(const std::string& insert);
  bool FitsLimits(const std::string& candidate);
  bool HasPixelLimit() const;
  // Cuts text from its end until it fits (after an undo, or when the limits were tightened).
  void CutToLimits();
  std::string FilterPaste(const std::string& clipboard);
  // Width of the shown text from index a to index b (0 when b <= a).
  int ShownWidth(int a, int b);
  // How many shown characters from start fit in maxWidth pixels.
  int CharsFitting(int start, int maxWidth);
  // x of a text index in the text area, relative to its left edge, kept within 0 .. width - 8;
  // visibleCount characters from leftPos are the ones drawn.
  int BandX(int index, int visibleCount);
  void RestartBlink();

  // The control character a Ctrl+letter key stood for, until its own character message comes
  // (some desktops send one, others do not).
  char pendingControlChar_ = 0;
  EditKind lastEditKind_ = EditKind::None;
};

}  // namespace Orva
