#include "framework/widgets/ListWidget.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/ScrollbarWidget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

// Room between the list's edge and its lines.
constexpr int kMargin = 4;
// Lines scrolled by one wheel notch.
constexpr int kWheelLines = 5;

}  // namespace

ListWidget::ListWidget(int listId, Font* listFont, ListListener* listListener)
    : id(listId), font(listFont), listener(listListener), itemHeight(listFont ? listFont->GetHeight() : -1) {
  colors = {Color(255, 255, 255), Color(255, 255, 255), Color(0, 0, 0),
            Color(0, 192, 0),     Color(0, 0, 128),     Color(255, 255, 255)};
  navigable = true;
}

bool ListWidget::WantsKey(int key) {
  // At the first or last line the arrow goes on to the widgets beyond the list.
  const bool inside = selectedIndex >= 0 && selectedIndex < LineCount();
  if (key == KEYCODE_UP) return LineCount() > 0 && (!inside || selectedIndex > 0);
  if (key == KEYCODE_DOWN) return LineCount() > 0 && (!inside || selectedIndex < LineCount() - 1);
  return false;
}

void ListWidget::KeyDown(int key) {
  if (!WantsKey(key) || LineCount() == 0) {
    Widget::KeyDown(key);
    return;
  }
  const bool inside = selectedIndex >= 0 && selectedIndex < LineCount();
  int index = key == KEYCODE_DOWN ? (inside ? selectedIndex + 1 : 0) : (inside ? selectedIndex - 1 : LineCount() - 1);
  index = std::clamp(index, 0, LineCount() - 1);
  // Scrolled just far enough to show the line.
  double top = topLine;
  if (index < topLine)
    top = index;
  else if (index + 1 > topLine + pageLines)
    top = index + 1 - std::max(1.0, std::floor(pageLines));
  if (top != topLine) {
    if (scrollbar)
      scrollbar->SetPosition(top);
    else
      OnScrolled(0, top);
  }
  if (listener)
    listener->OnListClicked(id, index, 1);
  else
    SetSelected(index);
  MarkDirty();
}

bool ListWidget::Activate() {
  if (!listener || selectedIndex < 0 || selectedIndex >= LineCount()) return false;
  listener->OnListClicked(id, selectedIndex, 2);
  return true;
}

std::vector<ListWidget*> ListWidget::Chain() {
  std::vector<ListWidget*> back{this};
  ListWidget* first = this;
  while (first->prevList && std::find(back.begin(), back.end(), first->prevList) == back.end()) {
    first = first->prevList;
    back.push_back(first);
  }
  std::vector<ListWidget*> chain;
  for (ListWidget* list = first; list && std::find(chain.begin(), chain.end(), list) == chain.end();
       list = list->nextList)
    chain.push_back(list);
  // Links that do not match both ways could leave this list out; it always takes part.
  if (std::find(chain.begin(), chain.end(), this) == chain.end()) chain.push_back(this);
  return chain;
}

int ListWidget::LineHeight() {
  const int h = itemHeight != -1 ? itemHeight : (font ? font->GetHeight() : 0);
  // A list without a font still maps the mouse and pages without dividing by zero.
  return std::max(h, 1);
}

std::string ListWidget::SortKeyOf(int index) {
  if (busy_) return "";
  std::string key = LineText(index);
  if (key.size() < size_t(std::max(sortPadWidth, 0))) key.insert(0, size_t(sortPadWidth) - key.size(), '0');
  if (nextList) {
    busy_ = true;
    const std::string next = nextList->SortKeyOf(index);
    busy_ = false;
    key = sortNextFirst ? next + key : key + next;
  }
  return key;
}

void ListWidget::SortLines(bool ascending) {
  const size_t count = lines.size();
  std::vector<std::string> keys(count);
  for (size_t i = 0; i < count; ++i) keys[i] = SortKeyOf(int(i));
  std::vector<size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  // A stable sort gives exactly the order of a bubble sort that swaps only unequal neighbours.
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return ascending ? keys[a] < keys[b] : keys[b] < keys[a]; });
  for (ListWidget* list : Chain()) {
    if (list->lines.size() != count) continue;
    std::vector<std::string> newLines(count);
    for (size_t i = 0; i < count; ++i) newLines[i] = std::move(list->lines[order[i]]);
    list->lines = std::move(newLines);
    if (list->lineColors.size() == count) {
      std::vector<Color> newColors(count);
      for (size_t i = 0; i < count; ++i) newColors[i] = list->lineColors[order[i]];
      list->lineColors = std::move(newColors);
    }
    list->MarkDirty();
  }
}

std::string ListWidget::LineText(int index) {
  if (index < 0 || index >= LineCount()) return "";
  return lines[size_t(index)];
}

int ListWidget::InsertLine(const std::string& text, bool sorted) {
  int index = LineCount();
  if (sorted) {
    // std::string compares bytes as unsigned characters.
    const auto greater = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) { return line > text; });
    index = int(greater - lines.begin());
  }
  const Color color = GetColor(COLOR_TEXT);
  for (ListWidget* list : Chain()) {
    const size_t at = std::min(size_t(index), list->lines.size());
    list->lines.insert(list->lines.begin() + long(at), list == this ? text : std::string("-"));
    const size_t colorAt = std::min(size_t(index), list->lineColors.size());
    list->lineColors.insert(list->lineColors.begin() + long(colorAt), color);
    list->MarkDirty();
  }
  if (scrollbar) scrollbar->SetTotal(LineCount());
  return index;
}

void ListWidget::SetLineText(int index, const std::string& text) {
  if (index < 0 || index >= LineCount()) return;
  lines[size_t(index)] = text;
  MarkDirty();
}

int ListWidget::LineCount() { return int(lines.size()); }

int ListWidget::FindLine(const std::string& text) {
  const auto found = std::find(lines.begin(), lines.end(), text);
  return found == lines.end() ? -1 : int(found - lines.begin());
}

void ListWidget::SetLineColor(const std::string& text, const Color& color) { SetLineColor(FindLine(text), color); }

void ListWidget::SetLineColor(int index, const Color& color) {
  if (index < 0 || index >= LineCount()) return;
  for (ListWidget* list : Chain()) {
    if (size_t(index) < list->lineColors.size()) list->lineColors[size_t(index)] = color;
    list->MarkDirty();
  }
}

void ListWidget::RemoveLine(int index) {
  if (index >= 0 && index < LineCount()) {
    for (ListWidget* list : Chain()) {
      if (size_t(index) < list->lines.size()) list->lines.erase(list->lines.begin() + index);
      if (size_t(index) < list->lineColors.size()) list->lineColors.erase(list->lineColors.begin() + index);
      list->MarkDirty();
    }
  }
  if (scrollbar) scrollbar->SetTotal(LineCount());
}

void ListWidget::RemoveAll() {
  for (ListWidget* list : Chain()) {
    list->lines.clear();
    list->lineColors.clear();
    list->hoverIndex = -1;
    list->selectedIndex = -1;
    list->MarkDirty();
  }
  if (scrollbar) scrollbar->SetTotal(0);
}

int ListWidget::WidestLineWidth() {
  int widest = 0;
  if (font)
    for (const std::string& line : lines) widest = std::max(widest, font->StringWidth(line));
  return widest + 16;
}

int ListWidget::TotalHeight() { return LineHeight() * LineCount() + 2 * kMargin; }

void ListWidget::SetSelected(int index) {
  for (ListWidget* list : Chain()) {
    list->selectedIndex = index;
    list->MarkDirty();
  }
}

void ListWidget::Detached(WidgetManager* manager) {
  Widget::Detached(manager);
  if (listener) listener->OnListDetached(id);
}

void ListWidget::Draw(Graphics* g) {
  g->SetColor(GetColor(COLOR_BKG));
  g->FillRect(0, 0, width, height);

  Graphics text(*g);
  text.IntersectClip(kMargin, kMargin, width - 2 * kMargin, height - 2 * kMargin);
  text.SetFont(font);
  Graphics back(*g);
  back.IntersectClip(0, kMargin, width, height - 2 * kMargin);

  const int h = LineHeight();
  const int first = std::max(int(topLine), 0);
  const int last = std::min(LineCount() - 1, int(pageLines) + int(topLine) + 1);
  for (int i = first; i <= last; ++i) {
    const int lineY = int((i - topLine) * h) + kMargin;
    if (i == selectedIndex || (i == hoverIndex && fillHoverLine)) {
      back.SetColor(GetColor(COLOR_SELECT));
      back.FillRect(0, lineY, width, h);
    }
    if (!font) continue;
    if (i == hoverIndex)
      text.SetColor(GetColor(COLOR_HILITE));
    else if (i == selectedIndex && colors.size() >= NUM_COLORS)
      text.SetColor(GetColor(COLOR_SELECT_TEXT));
    else
      text.SetColor(size_t(i) < lineColors.size() ? lineColors[size_t(i)] : GetColor(COLOR_TEXT));
    const std::string& line = lines[size_t(i)];
    int lineX = kMargin;
    if (justification == LIST_ALIGN_CENTER)
      lineX = (width - font->StringWidth(line)) / 2;
    else if (justification != LIST_ALIGN_LEFT)
      lineX = width - font->StringWidth(line) - kMargin;
    // A fixed item height centres the text in its line; the font's own height needs no centring.
    const int centring = itemHeight != -1 ? (h - font->GetHeight()) / 2 : 0;
    text.DrawString(line, lineX, lineY + font->GetAscent() + centring);
  }

  if (drawOutline) {
    g->SetColor(GetColor(COLOR_OUTLINE));
    g->DrawRect(0, 0, width - 1, height - 1);
  }
  DrawFocusFrame(g, GetColor(COLOR_SELECT));
}

void ListWidget::ZOrderChanged() {
  // Reordering the next column runs its own ZOrderChanged; a ring of lists stops here.
  if (busy_ || !parent) return;
  busy_ = true;
  // The container holding the list (the manager for a top-level list) keeps the columns and the
  // bar together, just in front of it.
  if (nextList) parent->PlaceInFront(nextList, this);
  if (scrollbar) parent->PlaceInFront(scrollbar, this);
  busy_ = false;
}

void ListWidget::Resize(int newX, int newY, int newWidth, int newHeight) {
  Widget::Resize(newX, newY, newWidth, newHeight);
  const int h = LineHeight();
  pageLines = h + 2 * kMargin < height ? double(height - 2 * kMargin) / h : 1;
  if (scrollbar) scrollbar->SetSpan(pageLines);
}

void ListWidget::SetHover(int index) {
  const int old = hoverIndex;
  hoverIndex = index;
  if (old != index && listener) listener->OnListHoverChanged(id, old, index);
  MarkDirty();
}

void ListWidget::MouseMove(int, int my) {
  // Truncated towards zero, so the top margin still belongs to the first line shown.
  const double line = std::trunc(double(my - kMargin) / LineHeight() + topLine);
  const int index = line < 0 || line >= LineCount() ? -1 : int(line);
  if (index == hoverIndex) return;
  for (ListWidget* list : Chain()) list->SetHover(index);
  if (widgetManager && widgetManager->app)
    widgetManager->app->SetCursorKind(hoverIndex != -1 && handOverLines ? CURSOR_HAND : CURSOR_POINTER);
}

void ListWidget::MouseLeave() {
  for (ListWidget* list : Chain()) list->SetHover(-1);
  if (widgetManager && widgetManager->app) widgetManager->app->SetCursorKind(CURSOR_POINTER);
}

void ListWidget::MouseDown(int, int, int, int clickCount) {
  // A line removed since the mouse last moved is not reported.
  if (hoverIndex < 0 || hoverIndex >= LineCount() || !listener) return;
  listener->OnListClicked(id, hoverIndex, clickCount);
}

void ListWidget::MouseWheel(int delta) {
  if (!scrollbar || delta == 0) return;
  scrollbar->SetPosition(scrollbar->position + (delta > 0 ? -kWheelLines : kWheelLines));
}

void ListWidget::OnScrolled(int barId, double position) {
  if (busy_ || std::isnan(position)) return;
  if (nextList) {
    busy_ = true;
    nextList->OnScrolled(barId, position);
    busy_ = false;
  }
  // Kept within the lines so that line positions stay inside int.
  topLine = std::clamp(position, 0.0, double(LineCount()));
  MarkDirty();
}

}  // namespace Orva
