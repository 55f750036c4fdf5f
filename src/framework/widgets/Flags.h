#pragma once

namespace Orva {

// Bits of the flags handed down the widget tree while updating, drawing and hit testing.
enum WidgetFlag : int {
  kAllowUpdate = 1,        // Update and UpdateSmooth run
  kMarkDirtyOnUpdate = 2,  // the widget is marked dirty on every update
  kAllowDraw = 4,          // Draw runs
  kClipToWidget = 8,       // drawing is clipped to the widget (for widgets whose clip is set)
  kAllowMouse = 16,        // the widget takes part in hit testing
  kAllowFocus = 32,        // the widget may keep the keyboard focus under a modal layer
};

// Everything but kMarkDirtyOnUpdate.
inline constexpr int kDefaultWidgetFlags = kAllowUpdate | kAllowDraw | kClipToWidget | kAllowMouse | kAllowFocus;

// Adds, then removes, flag bits.
struct FlagsMod {
  int addFlags = 0;
  int removeFlags = 0;

  int Apply(int flags) const { return (flags | addFlags) & ~removeFlags; }
  bool operator==(const FlagsMod& other) const = default;
};

// The flags in force while walking the tree: aboveModalFlags once the walk has passed the modal
// widget (or when there is none), belowModalFlags before it.
struct FlagsRecord {
  int aboveModalFlags = kDefaultWidgetFlags;
  int belowModalFlags = kDefaultWidgetFlags;
  bool pastModal = true;

  int GetFlags() const { return pastModal ? aboveModalFlags : belowModalFlags; }
  void Apply(const FlagsMod& mod) {
    aboveModalFlags = mod.Apply(aboveModalFlags);
    belowModalFlags = mod.Apply(belowModalFlags);
  }
};

}  // namespace Orva
