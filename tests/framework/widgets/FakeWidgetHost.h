#pragma once

// A widget host that only keeps what the widgets ask of it: the cursor and the clipboard.
#include <string>

#include "framework/widgets/WidgetHost.h"

namespace Orva::Testing {

class FakeWidgetHost : public WidgetHost {
 public:
  int cursorKind = CURSOR_POINTER;
  std::string clipboard;

  void SetCursorKind(int kind) override { cursorKind = kind; }
  void CopyToClipboard(const std::string& text) override { clipboard = text; }
  std::string GetClipboardText() override { return clipboard; }
  std::string GetString(const std::string&, const std::string& defaultText) override { return defaultText; }
  ImageHost* GetImageHost() override { return nullptr; }
  Dialog* FindDialog(int) override { return nullptr; }
  bool CloseDialog(int) override { return false; }
  void ForgetDialog(Dialog*) override {}
  bool StepLoop(bool*) override { return false; }
};

}  // namespace Orva::Testing
