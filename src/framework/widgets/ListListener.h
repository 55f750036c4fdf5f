#pragma once

namespace Orva {

// Hears a list's clicks and hover changes. Every operation is optional.
class ListListener {
 public:
  virtual ~ListListener() = default;

  // index is the line under the mouse; clickCount as the widget gets it (1 single, 2 double).
  virtual void OnListClicked(int id, int index, int clickCount) {
    (void)id;
    (void)index;
    (void)clickCount;
  }
  virtual void OnListDetached(int id) { (void)id; }
  // Indices are -1 when no line is under the mouse.
  virtual void OnListHoverChanged(int id, int oldIndex, int newIndex) {
    (void)id;
    (void)oldIndex;
    (void)newIndex;
  }
};

}  // namespace Orva
