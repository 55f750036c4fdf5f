// The desktop's message boxes, the application's strings, the clipboard and the manifest's errors.
#include <cstdio>

#include "framework/app/OrvaAppBase.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

void OrvaAppBase::EnterSystemBox() {
  if (!windowIsWindowed) popupActive = true;
}

void OrvaAppBase::LeaveSystemBox() {
  if (!windowIsWindowed) popupActive = false;
  ResetTiming();
  ClearKeyState();
  if (widgetManager->heldButtons != 0) {
    widgetManager->ReleaseMouseButtons();
    if (windowSystem && mainWindow != 0) windowSystem->CaptureMouse(mainWindow, false);
  }
}

int OrvaAppBase::ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) {
  if (!windowSystem) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return IDOK;
  }
  EnterSystemBox();
  const int result = windowSystem->ShowMessageBox(mainWindow, text, caption, flags);
  LeaveSystemBox();
  return result;
}

void OrvaAppBase::ShowErrorBox(const std::string& text) {
  if (shutdown) return;
  const std::string caption = GetString("FATAL_ERROR", "FATAL ERROR");
  // Without a window (headless, or before one exists) the error goes to standard error.
  if (!windowSystem || windowSystem->IsHeadless()) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return;
  }
  ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

std::string OrvaAppBase::GetString(const std::string& id, const std::string& defaultText) {
  auto found = strings.find(id);
  return found == strings.end() ? defaultText : found->second;
}

void OrvaAppBase::SetString(const std::string& id, const std::string& text) { strings[id] = text; }

void OrvaAppBase::CopyToClipboard(const std::string& text) {
  if (windowSystem) windowSystem->SetClipboardText(text);
}

std::string OrvaAppBase::GetClipboardText() { return windowSystem ? windowSystem->GetClipboardText() : std::string(); }

bool OrvaAppBase::ReadResourceManifest() {
  if (resourceManager->ReadManifest("properties/resources.xml")) return true;
  ReportResourceError(true);
  return false;
}

void OrvaAppBase::ReportResourceError(bool exitAfter) {
  ShowErrorBox(resourceManager->ErrorText());
  if (exitAfter) FatalExit(0);
}

}  // namespace Orva
