// Window messages: filtered and queued as they arrive, handled one at a time by the main loop;
// focus, the key state and the cursor.
#include <cstdio>

#include "framework/app/OrvaAppBase.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/platform/KeyCodes.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

namespace {

bool IsMouseMessage(uint32_t message) { return message >= MSG_MOUSEMOVE && message <= MSG_MOUSEWHEEL; }

bool IsQueuedKind(uint32_t message) {
  switch (message) {
    case MSG_ACTIVATEAPP:
    case MSG_MOVE:
    case MSG_SIZE:
    case MSG_CLOSE:
    case MSG_SYSCOLORCHANGE:
    case MSG_DISPLAYCHANGE:
    case MSG_KEYDOWN:
    case MSG_KEYUP:
    case MSG_CHAR:
    case MSG_DEADCHAR:
    case MSG_SYSKEYDOWN:
    case MSG_SYSKEYUP:
    case MSG_TIMER:
    case MSG_PADBUTTONDOWN:
    case MSG_PADBUTTONUP:
    case MSG_PADADDED:
    case MSG_PADREMOVED: return true;
    default: return IsMouseMessage(message);
  }
}

}  // namespace

void OrvaAppBase::PumpMessages() {
  if (!windowSystem) return;
  WindowMessage message;
  while (!shutdown && windowSystem->PollMessage(message)) WindowProc(message);
}

void OrvaAppBase::WindowProc(const WindowMessage& message) {
  switch (message.message) {
    case MSG_DESTROY: return;
    case MSG_ENABLE: windowDisabled = message.wParam == 0; return;
    case MSG_PAINT:
      if (initialized && !popupActive && !uiHidden && running) Present(nullptr);
      return;
    case MSG_QUERYOPEN: return;
    case MSG_SYSCHAR:
      // Alt+Enter's Enter (and Alt+R) never reach a widget as characters.
      return;
    default: break;
  }
  if (!IsQueuedKind(message.message)) return;

  if (message.message == MSG_ACTIVATEAPP && message.window == mainWindow) active = message.wParam != 0;
  if (message.message == MSG_KEYDOWN || message.message == MSG_SYSKEYDOWN || message.message == MSG_KEYUP ||
      message.message == MSG_SYSKEYUP) {
    const bool down = message.message == MSG_KEYDOWN || message.message == MSG_SYSKEYDOWN;
    if (message.wParam == KEYCODE_CONTROL) ctrlDown = down;
    if (message.wParam == KEYCODE_MENU) altDown = down;
    if (down && DeveloperKeyEx(int(message.wParam), ctrlDown, altDown)) return;
  }

  // Nothing follows a close; a timer tick joins the one before it; one system-colour or display
  // change is enough.
  if (queuedClose_) return;
  if (message.message == MSG_TIMER && !deferredMessages.empty() && deferredMessages.back().message == MSG_TIMER) return;
  if (message.message == MSG_SYSCOLORCHANGE || message.message == MSG_DISPLAYCHANGE) {
    for (const WindowMessage& queued : deferredMessages)
      if (queued.message == MSG_SYSCOLORCHANGE || queued.message == MSG_DISPLAYCHANGE) return;
  }
  deferredMessages.push_back(message);

  if (message.message == MSG_SIZE) {
    if (message.wParam == SIZE_MINIMIZED) minimizePending_ = true;
  } else if (message.message == MSG_SYSKEYDOWN && message.wParam == KEYCODE_F4) {
    // Alt+F4 closes, as the desktop's own handling of it would.
    WindowMessage close = message;
    close.message = MSG_CLOSE;
    close.wParam = 0;
    close.lParam = 0;
    WindowProc(close);
  } else if (message.message == MSG_CLOSE) {
    queuedClose_ = true;
    CloseRequestHook();
  }
}

bool OrvaAppBase::HandleQueuedMessage() {
  if (deferredMessages.empty()) return false;
  const WindowMessage message = deferredMessages.front();
  deferredMessages.pop_front();
  const uint32_t kind = message.message;

  if (kind == MSG_TIMER) {
    if (!uiHidden && running) {
      int x = 0, y = 0;
      const bool inside = windowSystem->GetMousePosition(mainWindow, x, y);
      if (inside != mouseInWindow) {
        if (!inside) {
          widgetManager->RemapMouse(x, y);
          widgetManager->MouseLeftWindow();
        }
        mouseInWindow = inside;
        RefreshCursor();
      }
    }
  } else if (IsMouseMessage(kind)) {
    if (!uiHidden) {
      int x = LParamX(message.lParam);
      int y = LParamY(message.lParam);
      widgetManager->RemapMouse(x, y);
      // A button or wheel message at the place of the last move adds no movement of its own
      // (a held widget would otherwise see a drag that goes nowhere).
      if (kind == MSG_MOUSEMOVE || !widgetManager->mouseIn || x != widgetManager->lastMouseX ||
          y != widgetManager->lastMouseY)
        widgetManager->MouseMove(x, y);
      if (!mouseInWindow) {
        mouseInWindow = true;
        RefreshCursor();
      }
      auto capture = [&](bool on) { windowSystem->CaptureMouse(mainWindow, on); };
      switch (kind) {
        case MSG_LBUTTONDOWN:
          capture(true);
          widgetManager->MouseDown(x, y, 1);
          break;
        case MSG_RBUTTONDOWN:
          capture(true);
          widgetManager->MouseDown(x, y, -1);
          break;
        case MSG_MBUTTONDOWN:
          capture(true);
          widgetManager->MouseDown(x, y, 3);
          break;
        case MSG_LBUTTONDBLCLK:
          capture(true);
          widgetManager->MouseDown(x, y, 2);
          break;
        case MSG_RBUTTONDBLCLK:
          capture(true);
          widgetManager->MouseDown(x, y, -2);
          break;
        case MSG_LBUTTONUP:
          widgetManager->MouseUp(x, y, 1);
          if ((widgetManager->heldButtons & ~1) == 0) capture(false);
          break;
        case MSG_RBUTTONUP:
          widgetManager->MouseUp(x, y, -1);
          if ((widgetManager->heldButtons & ~2) == 0) capture(false);
          break;
        case MSG_MBUTTONUP:
          widgetManager->MouseUp(x, y, 3);
          if ((widgetManager->heldButtons & ~4) == 0) capture(false);
          break;
        case MSG_MOUSEWHEEL: widgetManager->MouseWheel(WheelDelta(message.wParam) / 120); break;
        default: break;
      }
    }
  } else if (kind == MSG_KEYDOWN || kind == MSG_SYSKEYDOWN) {
    const int key = int(message.wParam);
    const bool toggleScreen =
        (kind == MSG_SYSKEYDOWN && key == KEYCODE_RETURN) || (kind == MSG_KEYDOWN && key == KEYCODE_F11);
    if (toggleScreen) {
      // Alt+Enter (and F11, as players here expect) switch the screen mode, unless it had to be
      // forced; neither reaches a widget.
      if (!forcedFullScreen && !forcedWindowed) {
        ChangeScreenMode(!windowed);
        ClearKeyState();
      }
    } else if (!DeveloperKey(key)) {
      widgetManager->KeyDown(key);
    }
  } else if (kind == MSG_KEYUP || kind == MSG_SYSKEYUP) {
    widgetManager->KeyUp(int(message.wParam));
  } else if (kind == MSG_CHAR) {
    widgetManager->KeyChar(char(message.wParam & 0xFF));
  } else if (kind == MSG_PADBUTTONDOWN) {
    if (!uiHidden && message.wParam < uint32_t(PadButton::COUNT))
      widgetManager->PadButtonDown(int(message.wParam), int(message.lParam));
  } else if (kind == MSG_PADBUTTONUP) {
    if (message.wParam < uint32_t(PadButton::COUNT))
      widgetManager->PadButtonUp(int(message.wParam), int(message.lParam));
  } else if (kind == MSG_PADADDED) {
    PadAddedHook(int(message.lParam));
  } else if (kind == MSG_PADREMOVED) {
    widgetManager->PadRemoved(int(message.lParam));
    PadRemovedHook(int(message.lParam));
  } else if (kind == MSG_MOVE) {
    if (windowIsWindowed && !minimized && !shutdown) {
      const ScreenArea area = windowSystem->GetWindowArea(mainWindow);
      preferredX = area.x;
      preferredY = area.y;
    }
  } else if (kind == MSG_SIZE) {
    if (message.window == mainWindow && !shutdown && message.wParam == SIZE_RESTORED && windowIsWindowed) {
      // The size a player gave the window is the size it opens at next time (maximised is not).
      const ScreenArea area = windowSystem->GetWindowArea(mainWindow);
      if (area.width >= width && area.height >= height) {
        preferredWidth = area.width;
        preferredHeight = area.height;
      }
    }
    if (message.window == mainWindow && !shutdown) {
      const bool nowMinimized = message.wParam == SIZE_MINIMIZED;
      if (nowMinimized != minimized) {
        minimized = nowMinimized;
        minimizePending_ = false;
        if (minimized) {
          if (muteOnFocusLoss) Mute(true);
        } else {
          if (muteOnFocusLoss) Unmute(true);
          widgetManager->InvalidateAll();
        }
        FocusUpdate();
      }
      // A maximised window stays a window on this desktop, its picture letterboxed; full screen
      // is F11, Alt+Enter or the settings.
    }
  } else if (kind == MSG_SYSCOLORCHANGE || kind == MSG_DISPLAYCHANGE) {
    widgetManager->SystemColorsChangedAll();
    widgetManager->InvalidateAll();
  } else if (kind == MSG_ACTIVATEAPP) {
    if (message.window == mainWindow && !uiHidden && !shutdown) {
      FocusUpdate();
      if (active && !windowIsWindowed) widgetManager->InvalidateAll();
    }
  } else if (kind == MSG_CLOSE) {
    Shutdown();
  }
  return !deferredMessages.empty();
}

void OrvaAppBase::FocusUpdate() {
  const bool focus = active && !minimized;
  if (focus == hasFocus) return;
  hasFocus = focus;
  if (focus) {
    if (muteOnFocusLoss) Unmute(true);
    widgetManager->GotFocus();
    GotFocusHook();
  } else {
    if (muteOnFocusLoss) Mute(true);
    widgetManager->LostFocus();
    LostFocusHook();
    if (windowSystem && mainWindow != 0) windowSystem->CaptureMouse(mainWindow, false);
    widgetManager->ReleaseMouseButtons();
  }
}

void OrvaAppBase::ClearKeyState() {
  for (bool& down : widgetManager->keyDown) down = false;
  ctrlDown = false;
  altDown = false;
}

bool OrvaAppBase::SwallowsAltKey(char ch) { return ch == '\r' || ch == 'r' || ch == 'R'; }

void OrvaAppBase::SetCursorKind(int kind) {
  cursorKind = kind;
  RefreshCursor();
}

void OrvaAppBase::UseCustomCursors(bool enable) {
  customCursorsEnabled = enable;
  RefreshCursor();
}

void OrvaAppBase::RefreshCursor() {
  if (!windowSystem || !display) return;
  if (uiHidden || !mouseInWindow) {
    windowSystem->SetStandardCursor(StandardCursor::Arrow);
    return;
  }
  // A custom cursor picture becomes a colour cursor of the desktop (made once per kind), which
  // moves as smoothly as the system's own.
  if (cursorKind >= 0 && cursorKind < NUM_CURSORS && customCursorImages[cursorKind] != nullptr &&
      (customCursorsEnabled || cursorKind == CURSOR_CUSTOM)) {
    CursorHandle& handle = customCursorHandles_[cursorKind];
    auto* picture = dynamic_cast<MemoryImage*>(customCursorImages[cursorKind]);
    if (handle == 0 && picture != nullptr && picture->GetPixels() != nullptr)
      handle = windowSystem->CreateColorCursor(picture->GetPixels(), picture->width, picture->height, 0, 0);
    if (handle != 0) {
      windowSystem->SetCursor(handle);
      return;
    }
  }
  if (overrideCursor != 0) {
    windowSystem->SetCursor(overrideCursor);
    return;
  }
  static const StandardCursor kByKind[NUM_CURSORS] = {
      StandardCursor::Arrow,    StandardCursor::Hand,   StandardCursor::Move,     StandardCursor::TextBeam,
      StandardCursor::NoEntry,  StandardCursor::Move,   StandardCursor::SizeNeSw, StandardCursor::SizeNS,
      StandardCursor::SizeNwSe, StandardCursor::SizeWE, StandardCursor::Busy,     StandardCursor::Hidden,
      StandardCursor::Hidden};
  windowSystem->SetStandardCursor(cursorKind >= 0 && cursorKind < NUM_CURSORS ? kByKind[cursorKind]
                                                                              : StandardCursor::Arrow);
}

}  // namespace Orva
