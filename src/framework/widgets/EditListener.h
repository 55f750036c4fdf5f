#pragma once

#include <string>

namespace Orva {

// Receives an edit field's events and filters what may be typed into it. Every operation is
// optional: the defaults accept everything and ignore Enter.
class EditListener {
 public:
  virtual ~EditListener() = default;

  // Enter was pressed in the field; text is a copy, so the listener may change the field.
  virtual void OnTextEntered(int id, const std::string& text) {
    (void)id;
    (void)text;
  }
  // A key other than the letters (arrows, Home, End, Backspace, Delete, Enter, ...) may act.
  virtual bool AllowKey(int id, int key) {
    (void)id;
    (void)key;
    return true;
  }
  // A character may be typed or pasted.
  virtual bool AllowChar(int id, char c) {
    (void)id;
    (void)c;
    return true;
  }
  // The text an edit would leave may stay; refusing it undoes the edit.
  virtual bool AllowText(int id, const std::string& text) {
    (void)id;
    (void)text;
    return true;
  }
};

}  // namespace Orva
