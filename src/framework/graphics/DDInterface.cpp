#include "framework/graphics/DDInterface.h"

#include "framework/graphics/DDImage.h"

namespace Orva {

const char* DDInterface::ResultName(int code) {
  switch (code) {
    case RESULT_OK: return "RESULT_OK";
    case RESULT_FAIL: return "RESULT_FAIL";
    case RESULT_DD_CREATE_FAIL: return "RESULT_DD_CREATE_FAIL";
    case RESULT_SURFACE_FAIL: return "RESULT_SURFACE_FAIL";
    case RESULT_EXCLUSIVE_FAIL: return "RESULT_EXCLUSIVE_FAIL";
    case RESULT_DISPCHANGE_FAIL: return "RESULT_DISPCHANGE_FAIL";
    case RESULT_INVALID_COLORDEPTH: return "RESULT_INVALID_COLORDEPTH";
    default: return "RESULT_UNKNOWN";
  }
}

DDInterface::DDInterface(WindowSystem* system, ImageHost* host, std::recursive_mutex& lock)
    : windowSystem(system), critSect(lock), host_(host) {}

DDInterface::~DDInterface() = default;

int DDInterface::Init(WindowHandle newWindow, bool isWindowed, int w, int h) {
  std::lock_guard guard(critSect);
  errorText.clear();
  if (!windowSystem || newWindow == 0) {
    errorText = "CreateSurface Windowed Primary: no window";
    return RESULT_DD_CREATE_FAIL;
  }
  if (w <= 0 || h <= 0) {
    errorText = "CreateSurface Windowed DrawSurface: invalid size";
    return RESULT_SURFACE_FAIL;
  }
  window = newWindow;
  windowed = isWindowed;
  width = w;
  height = h;
  // The 32-bit format every memory image already uses, so presenting needs no conversion.
  static_cast<NativeDisplay&>(*this) = NativeDisplay();
  if (!screenImage_ || screenImage_->width != w || screenImage_->height != h) {
    screenImage_ = std::make_unique<DDImage>(this, host_);
    screenImage_->Create(w, h);
    if (!screenImage_->GetPixels()) {
      errorText = "CreateSurface Windowed DrawSurface: out of memory";
      screenImage_.reset();
      return RESULT_SURFACE_FAIL;
    }
    screenImage_->FillRect(Rect(0, 0, w, h), Color::Black, 0);
    // The back buffer is opaque: sprites drawn onto it take the run-alpha path.
    screenImage_->ForceAlphaFlags(false, false);
  }
  return RESULT_OK;
}

bool DDInterface::Redraw(const Rect* changed) {
  std::lock_guard guard(critSect);
  if (!screenImage_ || !windowSystem || window == 0) return false;
  const uint32_t* pixels = screenImage_->GetPixels();
  if (!pixels) return false;
  const Rect whole(0, 0, width, height);
  const Rect area = changed ? changed->Intersection(whole) : whole;
  return windowSystem->Present(window, pixels, width, height, area.x, area.y, area.width, area.height);
}

}  // namespace Orva
