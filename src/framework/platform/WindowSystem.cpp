#include "framework/platform/WindowSystem.h"

#include "framework/platform/HeadlessWindowSystem.h"
#include "framework/platform/SdlWindowSystem.h"

namespace Orva {

std::unique_ptr<WindowSystem> CreateWindowSystem(WindowSystemKind kind) {
  if (kind == WindowSystemKind::Headless) return std::make_unique<HeadlessWindowSystem>();
  return CreateSdlWindowSystem();
}

}  // namespace Orva
