// Colour, rectangle, matrix, transform and cel-animation rules.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "framework/graphics/Color.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/Matrix3.h"
#include "framework/graphics/Rect.h"
#include "framework/graphics/Transform.h"

namespace Orva {
namespace {

TEST(ColorTest, PackedValuesBelowTheAlphaRangeAreOpaque) {
  EXPECT_EQ(Color(0x00FF0000u), Color(255, 0, 0, 255));
  EXPECT_EQ(Color(0x80FF0000u), Color(255, 0, 0, 128));
  EXPECT_EQ(Color(0x01000000u).alpha, 1) << "the smallest packed value with its own alpha";
  EXPECT_EQ(Color(0x00FFFFFFu, 0), Color(255, 255, 255, 0)) << "transparent needs the separate alpha";
  EXPECT_EQ(Color(), Color::Black);
  EXPECT_EQ(Color(1, 2, 3).alpha, 255);
}

TEST(ColorTest, ToARGBPacksTheChannelsBack) {
  EXPECT_EQ(Color(0x12, 0x34, 0x56, 0x78).ToARGB(), 0x78123456u);
  EXPECT_EQ(Color::White.ToARGB(), 0xFFFFFFFFu);
  EXPECT_NE(Color(1, 2, 3, 4), Color(1, 2, 3, 5));
}

TEST(RectTest, IntersectionOfOverlappingTouchingAndDisjointRectangles) {
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(2, 3, 4, 5)), Rect(2, 3, 4, 5));
  // Touching along an edge keeps the position with a zero extent.
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(10, 2, 5, 5)), Rect(10, 2, 0, 5));
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(11, 2, 5, 5)), Rect(0, 0, 0, 0));
  EXPECT_EQ(Rect(0, 0, 10, 10).Intersection(Rect(2, -20, 5, 5)), Rect(0, 0, 0, 0));
}

TEST(RectTest, IntersectionNearTheIntegerLimitsDoesNotOverflow) {
  const Rect huge(INT32_MIN / 2, INT32_MIN / 2, INT32_MAX, INT32_MAX);
  EXPECT_EQ(huge.Intersection(Rect(0, 0, 640, 480)), Rect(0, 0, 640, 480));
  EXPECT_EQ(Rect(INT32_MAX - 5, 0, 100, 10).Intersection(Rect(0, 0, 640, 480)), Rect(0, 0, 0, 0));
  EXPECT_EQ(Rect(0, 0, 640, 480).Intersection(Rect(-5, -5, -10, 100)), Rect(0, 0, 0, 0));
}

TEST(Matrix3Test, NewestOperationAppliesLast) {
  Matrix3 m;
  m.Translate(10, 0);
  m.Scale(2, 3);
  const Vector2 p = m * Vector2{1, 1};
  EXPECT_FLOAT_EQ(p.x, 22);  // (1 + 10) * 2
  EXPECT_FLOAT_EQ(p.y, 3);
}

TEST(Matrix3Test, PositiveRotationTurnsCounterClockwiseOnScreen) {
  Matrix3 m;
  m.Rotate(float(std::numbers::pi / 2));
  // With y pointing down, a point to the right goes up (negative y) when turned counter-clockwise.
  const Vector2 p = m * Vector2{1, 0};
  EXPECT_NEAR(p.x, 0, 1e-6);
  EXPECT_NEAR(p.y, -1, 1e-6);
}

TEST(Matrix3Test, InverseUndoesAndSingularMatricesAreRefused) {
  Matrix3 m;
  m.Scale(2, 4);
  m.Rotate(0.3f);
  m.Translate(5, -7);
  Matrix3 inv;
  ASSERT_TRUE(m.Inverse(inv));
  const Vector2 p = inv * (m * Vector2{3, 9});
  EXPECT_NEAR(p.x, 3, 1e-4);
  EXPECT_NEAR(p.y, 9, 1e-4);
  Matrix3 flat;
  flat.Scale(0, 1);
  EXPECT_FALSE(flat.Inverse(inv));
}

TEST(TransformTest, RotationAndSingleMirrorStaySimple) {
  Transform t;
  t.Rotate(0.5f);
  t.Rotate(0.25f);
  EXPECT_FALSE(t.IsComplex());
  EXPECT_FLOAT_EQ(t.rot, 0.75f);

  Transform mirror;
  mirror.Scale(-1, 1);
  EXPECT_FALSE(mirror.IsComplex());
  EXPECT_FLOAT_EQ(mirror.scaleX, -1);
  mirror.Scale(-1, 1);
  EXPECT_TRUE(mirror.IsComplex()) << "a second mirror is no longer the single horizontal mirror";
}

TEST(TransformTest, WhatTheSimpleFormCannotSayBecomesAMatrix) {
  Transform scaledThenRotated;
  scaledThenRotated.Scale(2, 2);
  scaledThenRotated.Rotate(0.1f);
  EXPECT_TRUE(scaledThenRotated.IsComplex());

  Transform rotatedThenScaled;
  rotatedThenScaled.Rotate(0.1f);
  rotatedThenScaled.Scale(2, 2);
  EXPECT_TRUE(rotatedThenScaled.IsComplex());

  Transform offsetThenScaled;
  offsetThenScaled.Translate(3, 0);
  offsetThenScaled.Scale(2, 2);
  EXPECT_TRUE(offsetThenScaled.IsComplex());

  Transform flippedVertically;
  flippedVertically.Scale(1, -1);
  EXPECT_TRUE(flippedVertically.IsComplex());
}

TEST(TransformTest, MatrixOfTheSimpleFormTranslatesThenRotatesThenMoves) {
  Transform t;
  t.Translate(1, 0);  // before the rotation: the picture's own offset
  t.Rotate(float(std::numbers::pi / 2));
  t.Translate(100, 50);  // after it: the place on screen
  EXPECT_FLOAT_EQ(t.preTransX, 1);
  EXPECT_FLOAT_EQ(t.postTransX, 100);
  const Vector2 p = t.GetMatrix() * Vector2{0, 0};
  EXPECT_NEAR(p.x, 100, 1e-5);
  EXPECT_NEAR(p.y, 49, 1e-5);

  Transform s;
  s.Scale(2, 3);
  s.Translate(5, 5);
  const Vector2 q = s.GetMatrix() * Vector2{1, 1};
  EXPECT_FLOAT_EQ(q.x, 7);
  EXPECT_FLOAT_EQ(q.y, 8);
}

TEST(CelAnimationTest, PingPongVisitsEachCelBackAndForth) {
  CelAnimation a;
  a.loopMode = CelAnimation::kPingPong;
  a.frameDelay = 3;
  a.Setup(4, 0, 0);
  EXPECT_EQ(a.frameCels, (std::vector<int>{0, 1, 2, 3, 2, 1}));
  EXPECT_EQ(a.celCount, 6);
  EXPECT_EQ(a.totalTime, 18);
}

TEST(CelAnimationTest, BeginAndEndDelaysAndDefaults) {
  CelAnimation a;
  a.frameDelay = 0;  // raised to 1
  a.Setup(3, 10, 20);
  EXPECT_EQ(a.frameDelays, (std::vector<int>{10, 1, 20}));
  EXPECT_EQ(a.totalTime, 31);

  CelAnimation plain;
  plain.frameDelay = 5;
  plain.Setup(0, 0, 0);
  EXPECT_EQ(plain.celCount, 1);
  EXPECT_EQ(plain.totalTime, 5);

  CelAnimation single;
  single.loopMode = CelAnimation::kPingPong;
  single.Setup(1, 0, 0);
  EXPECT_TRUE(single.frameCels.empty()) << "one cel has nothing to ping-pong";
}

TEST(CelAnimationTest, ExplicitFrameMapDecidesTheFrameCount) {
  CelAnimation a;
  a.frameCels = {4, 4, 5};
  a.frameDelays = {2, 0, 7, 9};
  a.Setup(8, 0, 0);
  EXPECT_EQ(a.celCount, 3);
  EXPECT_EQ(a.frameDelays, (std::vector<int>{2, 1, 7})) << "trimmed to the frames, zero delays take the default";
  EXPECT_EQ(a.totalTime, 10);
}

}  // namespace
}  // namespace Orva
