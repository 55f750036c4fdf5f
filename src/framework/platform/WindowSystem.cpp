#include "framework/platform/WindowSystem.h"

#include <strings.h>

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/SdlWindowSystem.h"

namespace Orva {

bool ParsePresentPath(const std::string& text, PresentPath& path) {
  for (const PresentPath candidate : {PresentPath::AUTOMATIC, PresentPath::HARDWARE, PresentPath::SOFTWARE}) {
    if (strcasecmp(text.c_str(), PresentPathName(candidate)) == 0) {
      path = candidate;
      return true;
    }
  }
  return false;
}

const char* PresentPathName(PresentPath path) {
  switch (path) {
    case PresentPath::HARDWARE: return "hardware";
    case PresentPath::SOFTWARE: return "software";
    case PresentPath::AUTOMATIC: break;
  }
  return "auto";
}

std::unique_ptr<WindowSystem> CreateWindowSystem(WindowSystemKind kind) {
  if (kind == WindowSystemKind::Headless) return std::make_unique<HeadlessWindowSystem>();
  return CreateSdlWindowSystem();
}

}  // namespace Orva
