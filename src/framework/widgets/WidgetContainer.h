#pragma once

#include <list>

#include "framework/graphics/Rect.h"
#include "framework/widgets/Flags.h"

namespace Orva {

class Graphics;
class Widget;
class WidgetManager;

// The smallest rectangle holding both (an empty one holds nothing).
Rect BoundingRect(const Rect& a, const Rect& b);

// The common base of widgets and of the widget manager: an ordered list of child widgets with a
// rectangle, a dirty flag and a flag modifier. Children are kept sorted by zOrder; the first child
// is drawn first (bottom), the last on top. A container does not own its children.
//
// Attaching and detaching: a widget is attached when it, or an ancestor, is added to a container
// that is attached to the manager. Attached runs top-down, Detached bottom-up, once per widget;
// both are plain hooks (the tree walk is the container's), so an override need not call the base.
class WidgetContainer {
 public:
  using WidgetList = std::list<Widget*>;

  WidgetList children;
  WidgetManager* widgetManager = nullptr;  // the manager points to itself
  WidgetContainer* parent = nullptr;
  // Position of the update walk in children. Removing or reordering the child under it moves it on
  // to the next child and sets updateIteratorModified, so a child may remove itself or others
  // while it updates.
  bool updateIteratorModified = false;
  WidgetList::iterator updateIterator;
  int lastUpdateCount = 0;  // the manager's updateCount when Update last ran
  int updateCount = 0;      // counted by Update
  bool dirty = false;
  // Marked by MarkDirtyArea only: just dirtyArea (its own coordinates) is redrawn.
  bool dirtyAreaOnly = false;
  Rect dirtyArea;
  int x = 0;  // relative to the parent
  int y = 0;
  int width = 0;
  int height = 0;
  bool notOpaque = false;  // marking it dirty makes what lies under it redraw too
  bool clip = true;
  FlagsMod flagsMod;  // applied to the flags handed to this container and its subtree
  int priority = 0;   // pending overlays of a lower priority are drawn before this container
  int zOrder = 0;

  WidgetContainer();
  virtual ~WidgetContainer();
  WidgetContainer(const WidgetContainer&) = delete;
  WidgetContainer& operator=(const WidgetContainer&) = delete;

  virtual Rect GetRect();
  // The rectangles overlap (both relative to the same parent); touching edges do not count.
  virtual bool Intersects(WidgetContainer* other);

  // Adds on top of the children of equal zOrder. A widget held by another container moves here.
  virtual void AddWidget(Widget* widget);
  virtual void RemoveWidget(Widget* widget);
  virtual bool HasWidget(Widget* widget);
  virtual void ForgetWidget(Widget* widget);
  // Removes the children one by one from the front; recursive empties each child first.
  virtual void RemoveAllWidgets(bool deleteWidgets = false, bool recursive = false);
  virtual void SetFocus(Widget* widget);
  // Walking the tree depth first in drawing order from here, a is met before b.
  virtual bool IsDrawnBefore(WidgetContainer* a, WidgetContainer* b);
  virtual void MarkTreeDirty();

  // Re-sorting among the siblings; each does nothing when widget (or ref) is not a child, and
  // calls the widget's ZOrderChanged.
  virtual void BringToFront(Widget* widget);
  virtual void BringToBack(Widget* widget);
  virtual void PlaceBehind(Widget* widget, Widget* ref);
  virtual void PlaceInFront(Widget* widget, Widget* ref);

  // Position in manager coordinates.
  virtual Point GetScreenPos();
  // This is container or lies somewhere inside it.
  bool IsWithin(const WidgetContainer* container) const;

  // Dirty marking travels up to the top-level ancestor; at the top, widgets overlapping a marked
  // one are marked as needed so the dirty top-level widgets cover everything to redraw.
  virtual void MarkDirty(Widget* child);
  virtual void MarkDirty();
  // As MarkDirty, and what lies under the child's area is redrawn too (it moved, hid or left).
  virtual void MarkDirtyDeep(Widget* child);
  virtual void MarkDirtyDeep();
  // Marks only part of this container (its own coordinates) for redrawing, when nothing else of it
  // changed: a small animation on a full-screen widget then costs its own area, drawn clipped,
  // not the whole screen. Only a container placed directly in the manager, and not marked
  // notOpaque, is drawn in part; any other marking of it makes the redraw whole again.
  void MarkDirtyArea(const Rect& area);

  virtual void Attached(WidgetManager* manager);
  virtual void Detached(WidgetManager* manager);

  virtual void Update();
  virtual void UpdateTree(FlagsRecord* flags);
  virtual void UpdateSmooth(float fraction);
  virtual void UpdateSmoothAll(FlagsRecord* flags, float fraction);
  // Drawing must not add, remove or reorder widgets.
  virtual void Draw(Graphics* g);
  virtual void DrawTree(FlagsRecord* flags, Graphics* g);

  virtual void SystemColorsChangedAll();
  virtual void SystemColorsChanged();

 protected:
  // Clears the dirty flags of a subtree that was not drawn (hidden), so a later MarkDirty is not
  // taken for an already pending redraw.
  static void ClearDirtyTree(WidgetContainer* container);

 private:
  friend class WidgetManager;

  WidgetList::iterator Find(Widget* widget);
  // Inserts as close to from as the zOrder sort allows.
  void InsertSorted(Widget* widget, WidgetList::iterator from);
  // Unlinks a child, moving the update walk off it first.
  void Unlink(WidgetList::iterator it);
  void Reorder(Widget* widget, Widget* ref, bool toFront, bool inFrontOfRef);
  void MarkTopLevelAbove(WidgetList::iterator it);
};

}  // namespace Orva
