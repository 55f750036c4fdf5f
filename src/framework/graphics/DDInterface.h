#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "framework/graphics/NativeDisplay.h"
#include "framework/graphics/Rect.h"
#include "framework/platform/WindowSystem.h"

namespace Orva {

class DDImage;
class ImageHost;

// The display: the screen image every frame is drawn into, its pixel format, and presenting it
// to the window (or, headless, to the in-memory display). Software mode only: the back buffer is
// a 32-bit memory image and the window system scales it to the window.
class DDInterface : public NativeDisplay {
 public:
  enum Result {
    RESULT_OK = 0,
    RESULT_FAIL = 1,
    RESULT_DD_CREATE_FAIL = 2,
    RESULT_SURFACE_FAIL = 3,
    RESULT_EXCLUSIVE_FAIL = 4,
    RESULT_DISPCHANGE_FAIL = 5,
    RESULT_INVALID_COLORDEPTH = 6,
  };
  static const char* ResultName(int code);

  // lock guards the set of live images and surface creation; the application owns it.
  DDInterface(WindowSystem* windowSystem, ImageHost* host, std::recursive_mutex& lock);
  ~DDInterface();
  DDInterface(const DDInterface&) = delete;
  DDInterface& operator=(const DDInterface&) = delete;

  // Makes the back buffer for the window. The answer is a Result; errorText says what failed.
  int Init(WindowHandle window, bool windowed, int width, int height);
  DDImage* GetScreenImage() { return screenImage_.get(); }
  // Presents the back buffer. Only the changed rectangle (the whole screen when null) is sent;
  // false when the window could not take the frame.
  bool Redraw(const Rect* changed = nullptr);
  bool Is3D() const { return false; }
  // Whether presenting waits for the screen's vertical blank. Never here: the window system shows
  // each frame at once (the desktop one asks its renderer for no vsync), so a presented frame
  // says nothing about how much time has passed.
  bool CanWaitForVSync() const { return false; }

  WindowSystem* windowSystem = nullptr;
  WindowHandle window = 0;
  bool windowed = true;
  int width = 0;
  int height = 0;
  std::recursive_mutex& critSect;
  std::string errorText;

 private:
  ImageHost* host_ = nullptr;
  std::unique_ptr<DDImage> screenImage_;
};

}  // namespace Orva
