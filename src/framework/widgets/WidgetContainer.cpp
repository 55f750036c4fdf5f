#include "framework/widgets/WidgetContainer.h"

#include <algorithm>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/widgets/Widget.h"
#include "framework/widgets/WidgetManager.h"

namespace Orva {

Rect BoundingRect(const Rect& a, const Rect& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  const int left = std::min(a.x, b.x);
  const int top = std::min(a.y, b.y);
  const int right = std::max(a.x + a.width, b.x + b.width);
  const int bottom = std::max(a.y + a.height, b.y + b.height);
  return Rect(left, top, right - left, bottom - top);
}

WidgetContainer::WidgetContainer() : updateIterator(children.end()) {}

WidgetContainer::~WidgetContainer() {
  // Whatever still hangs below is let go, so no child keeps pointing at freed memory.
  for (Widget* child : children) child->parent = nullptr;
  children.clear();
}

Rect WidgetContainer::GetRect() { return Rect(x, y, width, height); }

bool WidgetContainer::Intersects(WidgetContainer* other) {
  return other && !GetRect().Intersection(other->GetRect()).IsEmpty();
}

WidgetContainer::WidgetList::iterator WidgetContainer::Find(Widget* widget) {
  return std::find(children.begin(), children.end(), widget);
}

void WidgetContainer::InsertSorted(Widget* widget, WidgetList::iterator from) {
  const int z = widget->zOrder;
  auto it = from;
  while (it != children.end() && (*it)->zOrder < z) ++it;
  if (it != children.end() && (it == children.begin() || (*std::prev(it))->zOrder <= z)) {
    children.insert(it, widget);
    return;
  }
  // Past the end, or the forward walk came out of order: back up over the higher children.
  while (it != children.begin() && (*std::prev(it))->zOrder > z) --it;
  children.insert(it, widget);
}

void WidgetContainer::Unlink(WidgetList::iterator it) {
  if (it == updateIterator) {
    ++updateIterator;
    updateIteratorModified = true;
  }
  children.erase(it);
}

void WidgetContainer::AddWidget(Widget* widget) {
  if (!widget || widget->parent == this) return;
  // A container inside itself would make every tree walk endless.
  if (IsWithin(widget)) return;
  if (widget->parent) widget->parent->RemoveWidget(widget);

  InsertSorted(widget, children.end());
  widget->parent = this;
  if (widgetManager) {
    widgetManager->AttachSubtree(widget);
    widget->MarkDirtyDeep();
    widgetManager->RecheckMouse();
  }
  MarkDirty();
}

void WidgetContainer::RemoveWidget(Widget* widget) {
  if (!widget || widget->parent != this) return;
  auto it = Find(widget);
  if (it == children.end()) return;
  if (widget->widgetManager) widget->widgetManager->DetachSubtree(widget);
  widget->parent = nullptr;
  // The hooks run while detaching may have reordered the children.
  it = Find(widget);
  if (it != children.end()) Unlink(it);
}

bool WidgetContainer::HasWidget(Widget* widget) { return widget && widget->parent == this; }

void WidgetContainer::ForgetWidget(Widget*) {}

void WidgetContainer::RemoveAllWidgets(bool deleteWidgets, bool recursive) {
  while (!children.empty()) {
    Widget* child = children.front();
    if (recursive) child->RemoveAllWidgets(deleteWidgets, true);
    RemoveWidget(child);
    // RemoveWidget leaves a child alone only when it is not ours any more; drop it regardless so
    // the loop ends.
    if (!children.empty() && children.front() == child) Unlink(children.begin());
    if (deleteWidgets) delete child;
  }
}

void WidgetContainer::SetFocus(Widget*) {}

namespace {

// 1: a met first, 2: b met first, 0: neither.
int DrawnFirst(WidgetContainer* container, WidgetContainer* a, WidgetContainer* b) {
  for (Widget* child : container->children) {
    if (child == b) return 2;  // a widget is not drawn before itself
    if (child == a) return 1;
    if (int found = DrawnFirst(child, a, b)) return found;
  }
  return 0;
}

}  // namespace

bool WidgetContainer::IsDrawnBefore(WidgetContainer* a, WidgetContainer* b) { return DrawnFirst(this, a, b) == 1; }

void WidgetContainer::MarkTreeDirty() {
  MarkDirty();
  for (Widget* child : children) {
    child->dirty = true;
    child->MarkTreeDirty();
  }
}

void WidgetContainer::Reorder(Widget* widget, Widget* ref, bool toFront, bool inFrontOfRef) {
  auto it = Find(widget);
  if (it == children.end()) return;
  if (ref && (ref == widget || Find(ref) == children.end())) return;
  Unlink(it);
  WidgetList::iterator from;
  if (ref) {
    from = Find(ref);
    if (inFrontOfRef) ++from;
  } else {
    from = toFront ? children.end() : children.begin();
  }
  InsertSorted(widget, from);
  widget->ZOrderChanged();
}

void WidgetContainer::BringToFront(Widget* widget) { Reorder(widget, nullptr, true, false); }
void WidgetContainer::BringToBack(Widget* widget) { Reorder(widget, nullptr, false, false); }
void WidgetContainer::PlaceBehind(Widget* widget, Widget* ref) {
  if (ref) Reorder(widget, ref, false, false);
}
void WidgetContainer::PlaceInFront(Widget* widget, Widget* ref) {
  if (ref) Reorder(widget, ref, false, true);
}

bool WidgetContainer::IsWithin(const WidgetContainer* container) const {
  for (const WidgetContainer* c = this; c; c = c->parent)
    if (c == container) return true;
  return false;
}

Point WidgetContainer::GetScreenPos() {
  Point p;
  for (WidgetContainer* c = this; c; c = c->parent) {
    p.x += c->x;
    p.y += c->y;
  }
  return p;
}

void WidgetContainer::MarkDirty() {
  if (parent)
    parent->MarkDirty(static_cast<Widget*>(this));
  else
    dirty = true;
}

void WidgetContainer::MarkTopLevelAbove(WidgetList::iterator it) {
  Widget* child = *it;
  for (++it; it != children.end(); ++it) {
    Widget* above = *it;
    if (above->visible && above->Intersects(child)) MarkDirty(above);
  }
}

void WidgetContainer::MarkDirty(Widget* child) {
  if (!child) return;
  if (child->dirty) {
    child->dirtyAreaOnly = false;  // a part was marked; now all of it is
    return;
  }
  MarkDirty();
  child->dirty = true;
  if (parent) return;

  if (child->notOpaque) {
    MarkDirtyDeep(child);
    return;
  }
  auto it = Find(child);
  if (it != children.end()) MarkTopLevelAbove(it);
}

void WidgetContainer::MarkDirtyArea(const Rect& area) {
  const Rect inside = area.Intersection(Rect(0, 0, width, height));
  if (inside.IsEmpty()) return;
  if (!parent || parent->parent || notOpaque) {
    MarkDirty();
    return;
  }
  if (dirty) {
    if (dirtyAreaOnly) dirtyArea = BoundingRect(dirtyArea, inside);
    return;
  }
  MarkDirty();
  if (!dirty) return;
  dirtyAreaOnly = true;
  dirtyArea = inside;
}

void WidgetContainer::MarkDirtyDeep() {
  if (parent)
    parent->MarkDirtyDeep(static_cast<Widget*>(this));
  else
    dirty = true;
}

void WidgetContainer::MarkDirtyDeep(Widget* child) {
  if (!child) return;
  MarkDirtyDeep();
  child->dirty = true;
  child->dirtyAreaOnly = false;
  if (parent) return;

  auto it = Find(child);
  if (it == children.end()) return;

  // Downwards: everything showing through the child's area redraws, until an opaque widget
  // covers all of that area (as far as it lies on the screen).
  const Rect area = child->GetRect().Intersection(Rect(0, 0, width, height));
  if (!area.IsEmpty()) {
    const int right = area.x + area.width - 1;
    const int bottom = area.y + area.height - 1;
    for (auto below = it; below != children.begin();) {
      Widget* sibling = *--below;
      if (!sibling->visible) continue;
      if (!sibling->hasHoles && !sibling->notOpaque && sibling->Contains(area.x, area.y) &&
          sibling->Contains(right, bottom)) {
        sibling->MarkDirty();
        break;
      }
      if (sibling->Intersects(child)) MarkDirty(sibling);
    }
  }
  // Upwards, the child included: whatever overlaps is drawn again over the repaint.
  for (auto above = Find(child); above != children.end(); ++above) {
    Widget* sibling = *above;
    if (sibling->visible && sibling->Intersects(child)) MarkDirty(sibling);
  }
}

void WidgetContainer::Attached(WidgetManager*) {}
void WidgetContainer::Detached(WidgetManager*) {}

void WidgetContainer::Update() { ++updateCount; }

void WidgetContainer::UpdateTree(FlagsRecord* flags) {
  // The modal cut-off (pastModal) deliberately outlives this call: whatever comes after a modal
  // widget in drawing order is above it, however deep the modal widget sits.
  const int savedAbove = flags->aboveModalFlags;
  const int savedBelow = flags->belowModalFlags;
  flags->Apply(flagsMod);
  const int inForce = flags->GetFlags();
  if (inForce & kMarkDirtyOnUpdate) MarkDirty();

  if (widgetManager) {
    WidgetManager* manager = widgetManager;
    if ((inForce & kAllowUpdate) && lastUpdateCount != manager->updateCount) {
      lastUpdateCount = manager->updateCount;
      Update();
    }
    updateIterator = children.begin();
    // A container detached by its own children stops walking them.
    while (updateIterator != children.end() && widgetManager) {
      updateIteratorModified = false;
      Widget* child = *updateIterator;
      if (child == widgetManager->modalWidget) flags->pastModal = true;
      child->UpdateTree(flags);
      if (!updateIteratorModified && updateIterator != children.end()) ++updateIterator;
    }
    updateIterator = children.end();
    updateIteratorModified = false;
  }
  flags->aboveModalFlags = savedAbove;
  flags->belowModalFlags = savedBelow;
}

void WidgetContainer::UpdateSmooth(float) {}

void WidgetContainer::UpdateSmoothAll(FlagsRecord* flags, float fraction) {
  const int savedAbove = flags->aboveModalFlags;
  const int savedBelow = flags->belowModalFlags;
  flags->Apply(flagsMod);

  if (widgetManager) {
    if (flags->GetFlags() & kAllowUpdate) UpdateSmooth(fraction);
    updateIterator = children.begin();
    while (updateIterator != children.end() && widgetManager) {
      updateIteratorModified = false;
      Widget* child = *updateIterator;
      if (child == widgetManager->modalWidget) flags->pastModal = true;
      child->UpdateSmoothAll(flags, fraction);
      if (!updateIteratorModified && updateIterator != children.end()) ++updateIterator;
    }
    updateIterator = children.end();
    updateIteratorModified = false;
  }
  flags->aboveModalFlags = savedAbove;
  flags->belowModalFlags = savedBelow;
}

void WidgetContainer::Draw(Graphics*) {}

void WidgetContainer::ClearDirtyTree(WidgetContainer* container) {
  container->dirty = false;
  container->dirtyAreaOnly = false;
  for (Widget* child : container->children) ClearDirtyTree(child);
}

void WidgetContainer::DrawTree(FlagsRecord* flags, Graphics* g) {
  WidgetManager* manager = widgetManager;
  if (manager && manager->minPendingOverlayPriority < priority) manager->DrawPendingOverlays(priority);

  const int savedAbove = flags->aboveModalFlags;
  const int savedBelow = flags->belowModalFlags;
  flags->Apply(flagsMod);
  const int inForce = flags->GetFlags();
  if (clip && (inForce & kClipToWidget)) g->IntersectClip(0, 0, width, height);

  if (children.empty()) {
    if (inForce & kAllowDraw) Draw(g);
  } else {
    if (inForce & kAllowDraw) {
      g->PushState();
      Draw(g);
      g->PopState();
    }
    for (Widget* child : children) {
      if (manager && child == manager->modalWidget) flags->pastModal = true;
      if (child->visible) {
        Graphics childGraphics(*g);
        childGraphics.Translate(child->x, child->y);
        child->DrawTree(flags, &childGraphics);
        child->dirty = false;
      } else {
        ClearDirtyTree(child);
      }
    }
  }
  flags->aboveModalFlags = savedAbove;
  flags->belowModalFlags = savedBelow;
}

void WidgetContainer::SystemColorsChangedAll() {
  SystemColorsChanged();
  for (Widget* child : children) child->SystemColorsChangedAll();
}

void WidgetContainer::SystemColorsChanged() {}

}  // namespace Orva
