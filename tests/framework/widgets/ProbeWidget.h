#pragma once

// A widget that writes every call it receives into a shared log, for the widget tests.
#include <functional>
#include <string>
#include <vector>

#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva::Testing {

class EventLog {
 public:
  void Add(const std::string& entry) { entries_.push_back(entry); }
  // Everything logged since the last Take, space separated, and forgets it.
  std::string Take() {
    std::string all;
    for (const std::string& e : entries_) all += (all.empty() ? "" : " ") + e;
    entries_.clear();
    return all;
  }

 private:
  std::vector<std::string> entries_;
};

class ProbeWidget : public Widget {
 public:
  using Widget::MouseDown;
  using Widget::MouseUp;

  std::string name;
  EventLog* log;
  int updates = 0;
  int draws = 0;
  bool logMoves = true;
  std::function<void()> onUpdate;
  std::function<void(Graphics*)> onDraw;

  ProbeWidget(std::string widgetName, EventLog* eventLog, int wx = 0, int wy = 0, int w = 0, int h = 0)
      : name(std::move(widgetName)), log(eventLog) {
    x = wx;
    y = wy;
    width = w;
    height = h;
  }

  void Update() override {
    Widget::Update();
    ++updates;
    if (onUpdate) onUpdate();
  }
  void Draw(Graphics* g) override {
    ++draws;
    Note("draw");
    if (onDraw) onDraw(g);
  }
  void Attached(WidgetManager*) override { Note("attached"); }
  void Detached(WidgetManager*) override { Note("detached"); }
  void ZOrderChanged() override { Note("zorder"); }
  void MouseEnter() override { Note("enter"); }
  void MouseLeave() override { Note("leave"); }
  void MouseMove(int mx, int my) override {
    if (logMoves) Note("move", mx, my);
  }
  void MouseDrag(int mx, int my) override { Note("drag", mx, my); }
  void MouseDown(int mx, int my, int button, int count) override { Note("down", mx, my, button, count); }
  void MouseUp(int mx, int my, int button, int count) override { Note("up", mx, my, button, count); }
  void MouseUp(int mx, int my) override { Note("up", mx, my); }
  void MouseWheel(int delta) override { Note("wheel", delta); }
  void KeyDown(int key) override {
    Note("keydown", key);
    Widget::KeyDown(key);
  }
  void KeyUp(int key) override { Note("keyup", key); }
  void KeyChar(char c) override { Note("char", c); }
  void GotFocus() override {
    Widget::GotFocus();
    Note("gotfocus");
  }
  void LostFocus() override {
    Widget::LostFocus();
    Note("lostfocus");
  }
  void DrawOverlay(Graphics*, int overlayPriority) override { Note("overlay", overlayPriority); }

  // "name:what" followed by the numbers, comma separated.
  void Note(const std::string& what, std::vector<int> numbers = {}) {
    std::string entry = name + ":" + what;
    for (size_t i = 0; i < numbers.size(); ++i) entry += (i ? "," : "@") + std::to_string(numbers[i]);
    log->Add(entry);
  }
  template <typename... Ints>
  void Note(const std::string& what, Ints... numbers) {
    Note(what, std::vector<int>{int(numbers)...});
  }
};

}  // namespace Orva::Testing
