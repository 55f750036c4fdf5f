#include "framework/platform/SdlWindowSystem.h"

namespace Orva {

std::unique_ptr<WindowSystem> CreateSdlWindowSystem() { return nullptr; }

}  // namespace Orva
