#pragma once

#include <cstdint>

namespace Orva {

// The framework's fixed update rate: one update every 10 milliseconds, 100 per second. Game logic
// counts in these updates; this is the only place the figure is written down.
inline constexpr uint32_t kFrameTimeMs = 10;
inline constexpr uint32_t kUpdatesPerSecond = 1000 / kFrameTimeMs;
// After a stall, at most this much time is caught up.
inline constexpr uint32_t kMaxCatchUpMs = 200;

}  // namespace Orva
