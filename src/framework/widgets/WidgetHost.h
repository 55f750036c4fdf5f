#pragma once

#include <string>

namespace Orva {

class Dialog;
class ImageHost;
class WidgetHost;

// The running application, for what a widget needs before it joins a tree (a dialog's button
// labels). Set and cleared by the application; null in a widget tree without one.
extern WidgetHost* gWidgetHost;

// Cursor kinds (WidgetHost::SetCursorKind).
enum CursorKind {
  CURSOR_POINTER = 0,
  CURSOR_HAND = 1,
  CURSOR_DRAGGING = 2,
  CURSOR_TEXT = 3,
  CURSOR_CIRCLE_SLASH = 4,
  CURSOR_SIZEALL = 5,
  CURSOR_SIZENESW = 6,
  CURSOR_SIZENS = 7,
  CURSOR_SIZENWSE = 8,
  CURSOR_SIZEWE = 9,
  CURSOR_WAIT = 10,
  CURSOR_NONE = 11,
  CURSOR_CUSTOM = 12,
  NUM_CURSORS = 13
};

// What the widgets ask of the application they run in (WidgetManager::app): the cursor, the
// clipboard, its strings, the image host their fonts draw with, and, for dialogs, the registry they
// are kept in and a step of the loop while one waits for its answer. The application base
// implements it; a tree without an application has none, and the widgets do without.
class WidgetHost {
 public:
  virtual ~WidgetHost() = default;

  virtual void SetCursorKind(int kind) = 0;
  virtual void CopyToClipboard(const std::string& text) = 0;
  virtual std::string GetClipboardText() = 0;
  // The text of a string id, or defaultText when there is none.
  virtual std::string GetString(const std::string& id, const std::string& defaultText) = 0;
  virtual ImageHost* GetImageHost() = 0;

  virtual Dialog* FindDialog(int id) = 0;
  virtual bool CloseDialog(int id) = 0;
  // Takes a dialog being deleted out of the registry, its modal layer and the deferred deletions.
  virtual void ForgetDialog(Dialog* dialog) = 0;
  // One step of the application's loop; false once it has ended.
  virtual bool StepLoop(bool* updated) = 0;
};

}  // namespace Orva
