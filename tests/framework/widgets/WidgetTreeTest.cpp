// The tree itself: child order, attaching and detaching, the update walk, modal layers, and the
// manager forgetting removed widgets.
#include <gtest/gtest.h>

#include <memory>

#include "ProbeWidget.h"

namespace Orva {
namespace {

using Testing::EventLog;
using Testing::ProbeWidget;

std::string Order(WidgetContainer& c) {
  std::string s;
  for (Widget* w : c.children) s += static_cast<ProbeWidget*>(w)->name;
  return s;
}

TEST(WidgetOrderTest, EqualZOrderStacksByArrivalAndReorderingKeepsTheSort) {
  EventLog log;
  WidgetContainer box;
  ProbeWidget a("a", &log), b("b", &log), c("c", &log), d("d", &log);
  c.zOrder = 1;
  box.AddWidget(&c);
  box.AddWidget(&a);
  box.AddWidget(&b);
  EXPECT_EQ(Order(box), "abc");
  box.AddWidget(&d);  // on top of its equals, under the higher one
  EXPECT_EQ(Order(box), "abdc");

  box.BringToBack(&b);
  EXPECT_EQ(Order(box), "badc");
  box.BringToFront(&a);
  EXPECT_EQ(Order(box), "bdac");
  box.PlaceBehind(&c, &b);  // c cannot go below lower z; it stays as close as the sort allows
  EXPECT_EQ(Order(box), "bdac");
  box.PlaceBehind(&a, &d);
  EXPECT_EQ(Order(box), "badc");
  box.PlaceInFront(&b, &d);
  EXPECT_EQ(Order(box), "adbc");
  EXPECT_EQ(log.Take(), "b:zorder a:zorder c:zorder a:zorder b:zorder");

  ProbeWidget stranger("s", &log);
  box.BringToFront(&stranger);
  box.PlaceBehind(&a, &stranger);
  box.PlaceInFront(&a, &a);
  EXPECT_EQ(Order(box), "adbc");
  EXPECT_EQ(log.Take(), "");
}

TEST(WidgetAttachTest, AttachTopDownDetachBottomUpOncePerWidget) {
  EventLog log;
  WidgetManager manager;
  ProbeWidget parent("p", &log), child("c", &log), grandchild("g", &log);
  parent.AddWidget(&child);
  child.AddWidget(&grandchild);
  EXPECT_EQ(log.Take(), "");
  manager.AddWidget(&parent);
  EXPECT_EQ(log.Take(), "p:attached c:attached g:attached");
  EXPECT_EQ(grandchild.widgetManager, &manager);
  manager.RemoveWidget(&parent);
  EXPECT_EQ(log.Take(), "g:detached c:detached p:detached");
  EXPECT_EQ(grandchild.widgetManager, nullptr);
  EXPECT_EQ(parent.parent, nullptr);
  EXPECT_EQ(grandchild.parent, &child);
}

TEST(WidgetAttachTest, AddingMovesAWidgetAndRefusesCycles) {
  EventLog log;
  WidgetManager manager;
  ProbeWidget first("1", &log), second("2", &log), w("w", &log);
  manager.AddWidget(&first);
  manager.AddWidget(&second);
  first.AddWidget(&w);
  second.AddWidget(&w);
  EXPECT_TRUE(first.children.empty());
  EXPECT_EQ(w.parent, &second);
  w.AddWidget(&second);  // second holds w: adding it inside w would loop
  EXPECT_EQ(second.parent, &manager);
  EXPECT_TRUE(w.children.empty());
}

TEST(WidgetAttachTest, DeletingAWidgetStillInTheTreeTakesItOut) {
  EventLog log;
  WidgetManager manager;
  ProbeWidget keep("k", &log);
  auto doomed = std::make_unique<ProbeWidget>("d", &log, 0, 0, 10, 10);
  ProbeWidget inner("i", &log);
  doomed->AddWidget(&inner);
  manager.AddWidget(doomed.get());
  manager.AddWidget(&keep);
  manager.SetFocus(doomed.get());
  doomed.reset();
  EXPECT_EQ(Order(manager), "k");
  EXPECT_EQ(manager.focusWidget, nullptr);
  EXPECT_EQ(inner.parent, nullptr);
  EXPECT_EQ(inner.widgetManager, nullptr);
  manager.UpdateWidgets();
}

class UpdateWalkTest : public ::testing::Test {
 protected:
  EventLog log;
  WidgetManager manager;
  ProbeWidget a{"a", &log}, b{"b", &log}, c{"c", &log};
  void SetUp() override {
    for (ProbeWidget* w : {&a, &b, &c}) manager.AddWidget(w);
  }
};

TEST_F(UpdateWalkTest, AWidgetRemovingItselfDoesNotStopItsLaterSiblings) {
  a.onUpdate = [&] { manager.RemoveWidget(&a); };
  manager.UpdateWidgets();
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 1);
  EXPECT_EQ(c.updates, 1);
}

TEST_F(UpdateWalkTest, ALaterSiblingRemovedDuringTheWalkIsNotUpdated) {
  a.onUpdate = [&] { manager.RemoveWidget(&c); };
  manager.UpdateWidgets();
  EXPECT_EQ(b.updates, 1);
  EXPECT_EQ(c.updates, 0);
}

TEST_F(UpdateWalkTest, RemovingAnEarlierSiblingOrReorderingUpdatesEachWidgetOnce) {
  b.onUpdate = [&] {
    manager.RemoveWidget(&a);
    manager.BringToFront(&b);  // b is met again at the end of the walk
  };
  manager.UpdateWidgets();
  EXPECT_EQ(a.updates, 1);
  EXPECT_EQ(b.updates, 1);
  EXPECT_EQ(c.updates, 1);
  manager.UpdateWidgets();
  EXPECT_EQ(b.updates, 2);
}

TEST_F(UpdateWalkTest, AContainerTakenOutByItsChildStopsWalkingItsChildren) {
  ProbeWidget inner1("i1", &log), inner2("i2", &log);
  c.AddWidget(&inner1);
  c.AddWidget(&inner2);
  inner1.onUpdate = [&] { manager.RemoveWidget(&c); };
  manager.UpdateWidgets();
  EXPECT_EQ(inner1.updates, 1);
  EXPECT_EQ(inner2.updates, 0);
}

TEST_F(UpdateWalkTest, FlagModifiersApplyToTheWholeSubtree) {
  ProbeWidget inner("i", &log), revived("r", &log);
  a.AddWidget(&inner);
  a.AddWidget(&revived);
  a.flagsMod.removeFlags = kAllowUpdate;
  revived.flagsMod.addFlags = kAllowUpdate;
  manager.UpdateWidgets();
  EXPECT_EQ(a.updates, 0);
  EXPECT_EQ(inner.updates, 0);
  EXPECT_EQ(revived.updates, 1);

  manager.dirty = false;
  b.dirty = c.dirty = false;
  b.flagsMod.addFlags = kMarkDirtyOnUpdate;
  EXPECT_TRUE(manager.UpdateWidgets());
  EXPECT_TRUE(b.dirty);
  EXPECT_FALSE(c.dirty);

  manager.unfocusedMod.removeFlags = kAllowUpdate;
  manager.LostFocus();
  manager.UpdateWidgets();
  EXPECT_EQ(c.updates, 2);
  manager.GotFocus();
  manager.UpdateWidgets();
  EXPECT_EQ(c.updates, 3);
}

TEST_F(UpdateWalkTest, SmoothUpdatesRunEveryCallAndFollowTheFlags) {
  struct Smooth : ProbeWidget {
    using ProbeWidget::ProbeWidget;
    float sum = 0;
    void UpdateSmooth(float f) override { sum += f; }
  } smooth("s", &log);
  manager.AddWidget(&smooth);
  manager.UpdateFrameSmooth(0.25f);
  manager.UpdateFrameSmooth(0.5f);
  EXPECT_FLOAT_EQ(smooth.sum, 0.75f);
  smooth.flagsMod.removeFlags = kAllowUpdate;
  manager.UpdateFrameSmooth(1.0f);
  EXPECT_FLOAT_EQ(smooth.sum, 0.75f);
}

TEST(ModalLayerTest, NestedLayerWhosePreviousModalWidgetWasRemovedPopsBoth) {
  EventLog log;
  WidgetManager manager;
  ProbeWidget base("base", &log), first("m1", &log), second("m2", &log);
  for (ProbeWidget* w : {&base, &first, &second}) manager.AddWidget(w);
  manager.SetFocus(&base);
  manager.PushModalLayer(&first);
  EXPECT_EQ(manager.focusWidget, nullptr);
  manager.SetFocus(&first);
  manager.PushModalLayer(&second);
  EXPECT_EQ(manager.focusWidget, nullptr);  // first lies below second
  EXPECT_EQ(manager.modalWidget, &second);

  manager.PopModalLayer(&first);  // not the top layer: nothing happens
  EXPECT_EQ(manager.modalLayers.size(), 2u);

  manager.RemoveWidget(&first);
  log.Take();
  manager.PopModalLayer(&second);
  EXPECT_TRUE(manager.modalLayers.empty());
  EXPECT_EQ(manager.modalWidget, nullptr);
  EXPECT_EQ(manager.belowModalMod, FlagsMod{});
  EXPECT_EQ(manager.focusWidget, &base);
  EXPECT_EQ(log.Take(), "base:gotfocus");
}

TEST(ModalLayerTest, PopRestoresThePreviousModalWidgetAndItsCutOff) {
  EventLog log;
  WidgetManager manager;
  ProbeWidget base("base", &log), first("m1", &log), second("m2", &log);
  for (ProbeWidget* w : {&base, &first, &second}) manager.AddWidget(w);
  manager.PushModalLayer(&first);
  manager.SetFocus(&first);
  manager.PushModalLayer(&second, FlagsMod{0, kAllowMouse});  // focus below may stay
  EXPECT_EQ(manager.focusWidget, &first);
  log.Take();
  manager.PopModalLayer(&second);
  EXPECT_EQ(manager.modalWidget, &first);
  EXPECT_EQ(log.Take(), "");  // the restored modal widget does not cut off itself
  EXPECT_EQ(manager.belowModalMod, manager.defaultBelowModalMod);
  EXPECT_EQ(manager.modalLayers.size(), 1u);
}

// Every pointer the manager holds to a widget is cleared when the widget leaves the tree; run
// under the sanitizers, any later use of one is a reported error.
TEST(ForgetWidgetTest, RemovedAndDeletedWidgetsLeaveNoPointersBehind) {
  EventLog log;
  WidgetManager manager;
  auto screen = std::make_unique<ProbeWidget>("screen", &log, 0, 0, 640, 480);
  auto popup = std::make_unique<ProbeWidget>("popup", &log, 100, 100, 100, 100);
  auto button = std::make_unique<ProbeWidget>("button", &log, 10, 10, 20, 20);
  manager.AddWidget(screen.get());
  manager.AddWidget(popup.get());
  popup->AddWidget(button.get());
  manager.AddPendingOverlay(button.get(), 5);

  manager.PushModalLayer(popup.get());
  manager.SetFocus(button.get());
  manager.PushModalLayer(button.get(), FlagsMod{});
  manager.transientWidget = popup.get();
  manager.ctrlTabTarget = button.get();
  manager.MouseMove(115, 115);
  manager.MouseDown(115, 115, 1);
  EXPECT_EQ(manager.pressedWidget, button.get());
  EXPECT_EQ(manager.hoverWidget, button.get());

  manager.RemoveWidget(popup.get());
  EXPECT_EQ(manager.hoverWidget, nullptr);
  EXPECT_EQ(manager.pressedWidget, nullptr);
  EXPECT_EQ(manager.capturedButtons, 0);
  EXPECT_EQ(manager.focusWidget, nullptr);
  EXPECT_EQ(manager.modalWidget, nullptr);
  EXPECT_EQ(manager.transientWidget, nullptr);
  EXPECT_EQ(manager.ctrlTabTarget, nullptr);
  EXPECT_EQ(manager.pendingOverlays.at(0).widget, nullptr);
  for (const auto& layer : manager.modalLayers) {
    EXPECT_NE(layer.prevModalWidget, popup.get());
    EXPECT_NE(layer.prevFocusWidget, button.get());
  }
  EXPECT_NE(log.Take().find("button:up@5,5,0,1"), std::string::npos);

  button.reset();
  popup.reset();
  manager.MouseMove(120, 120);
  manager.MouseUp(120, 120, 1);
  manager.KeyDown(65);
  manager.KeyChar('\t');
  manager.UpdateWidgets();
  EXPECT_EQ(manager.hoverWidget, screen.get());
}

}  // namespace
}  // namespace Orva
