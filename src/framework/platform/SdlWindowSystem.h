#pragma once

#include <memory>

#include "framework/platform/WindowSystem.h"

namespace Orva {

// The desktop window system on SDL2. Null when SDL cannot open a video display.
std::unique_ptr<WindowSystem> CreateSdlWindowSystem();

}  // namespace Orva
