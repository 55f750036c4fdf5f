#pragma once

#include <string>
#include <vector>

#include "framework/graphics/Color.h"
#include "framework/widgets/ListListener.h"
#include "framework/widgets/ScrollListener.h"
#include "framework/widgets/Widget.h"

namespace Orva {

class Font;
class Graphics;
class ScrollbarWidget;

// A single column of text lines with a hover line and a selected line, scrolled by an attached
// scroll bar (the list is that bar's listener), telling its listener of clicks and hover changes.
// Selection is the owner's business: a click only reports the line, the owner calls SetSelected.
//
// Lists chained through prevList/nextList are the columns of one table: line operations on any
// of them act on every list of the chain (followed back to its first list, then forward to its
// last), and scrolling one scrolls the lists after it. Every list of a chain holds the same number
// of lines; a list added to a chain with other lines is tolerated, not kept in step.
//
// Line indices outside the lines are refused everywhere: LineText answers "" for them.
class ListWidget : public Widget, public ScrollListener {
 public:
  enum ColorId {
    COLOR_BKG = 0,
    COLOR_OUTLINE = 1,
    COLOR_TEXT = 2,  // the colour new lines get
    COLOR_HILITE = 3,
    COLOR_SELECT = 4,
    COLOR_SELECT_TEXT = 5,
    NUM_COLORS = 6,
  };
  // The list's own alignment numbers, which differ from the drawing context's JUSTIFY_* (0 is
  // centred there); the names differ too, so neither can be taken for the other.
  enum Alignment { LIST_ALIGN_LEFT = 0, LIST_ALIGN_CENTER = 1, LIST_ALIGN_RIGHT = 2 };

  int id = 0;
  Font* font = nullptr;                  // not owned
  ScrollbarWidget* scrollbar = nullptr;  // not owned; set by the owner, who makes the list its listener
  int justification = LIST_ALIGN_LEFT;   // 0 left, 1 centred, anything else right
  std::vector<std::string> lines;
  std::vector<Color> lineColors;  // as long as lines
  double topLine = 0;             // scroll position, in lines
  double pageLines = 0;           // how many lines fit
  int hoverIndex = -1;
  int selectedIndex = -1;
  ListListener* listener = nullptr;  // not owned
  ListWidget* prevList = nullptr;    // the chain of columns, not owned
  ListWidget* nextList = nullptr;
  bool sortNextFirst = false;  // the next column's key goes before this one's
  bool drawOutline = true;
  int sortPadWidth = 0;  // keys are padded on the left with '0' to this length
  int itemHeight = -1;   // -1: the font's height at the time of use
  bool fillHoverLine = false;
  bool handOverLines = true;  // the hand cursor while a line is under the mouse

  ListWidget(int listId, Font* listFont, ListListener* listListener);

  // The line's text padded to sortPadWidth, with the next column's key after it (or before it).
  virtual std::string SortKeyOf(int index);
  // Stable: equal keys keep their order. Hover and selection indices stay as they were.
  virtual void SortLines(bool ascending);
  virtual std::string LineText(int index);
  // sorted: before the first line that compares greater (byte-wise), so equal lines keep their
  // insertion order. The other lists of the chain get "-" there. Answers the new index.
  virtual int InsertLine(const std::string& text, bool sorted);
  // This list only.
  virtual void SetLineText(int index, const std::string& text);
  virtual int LineCount();
  // The first line equal to text (case-sensitive), or -1.
  virtual int FindLine(const std::string& text);
  virtual void SetLineColor(const std::string& text, const Color& color);
  virtual void SetLineColor(int index, const Color& color);
  // -1 removes nothing (the bar's total is still refreshed).
  virtual void RemoveLine(int index);
  virtual void RemoveAll();
  virtual int WidestLineWidth();
  virtual int TotalHeight();
  // Stored as given; an index outside the lines shows no selection.
  virtual void SetSelected(int index);

  // The height of one line: itemHeight, or the font's height; never below 1.
  int LineHeight();

  void Detached(WidgetManager* manager) override;
  void Draw(Graphics* g) override;
  void ZOrderChanged() override;
  void Resize(int newX, int newY, int newWidth, int newHeight) override;
  using Widget::Resize;
  void MouseLeave() override;
  void MouseMove(int mx, int my) override;
  void MouseDown(int mx, int my, int button, int clickCount) override;
  using Widget::MouseDown;
  void MouseWheel(int delta) override;
  // Up and down select the line above or below (scrolled into view), except past the first or
  // last line; the listener hears it as a click on that line, and Enter as a double click.
  bool WantsKey(int key) override;
  void KeyDown(int key) override;
  bool Activate() override;

  void OnScrolled(int barId, double position) override;

 private:
  // Every list of the chain, first to last, each once (a chain closed into a ring is walked once).
  std::vector<ListWidget*> Chain();
  void SetHover(int index);

  bool busy_ = false;  // stops a walk along a ring of lists from coming back here
};

}  // namespace Orva
