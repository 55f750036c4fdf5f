#pragma once

namespace Orva {

// Hears a scroll bar's position (in lines, 0 .. total - span).
class ScrollListener {
 public:
  virtual ~ScrollListener() = default;

  virtual void OnScrolled(int id, double position) = 0;
};

}  // namespace Orva
