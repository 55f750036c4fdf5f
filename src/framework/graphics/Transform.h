#pragma once

#include "framework/graphics/Matrix3.h"

namespace Orva {

// A 2-D transform that stays in a cheap simple form (pre-translation, rotation or scale,
// post-translation) as long as it can, and falls back to a full matrix only when it must.
class Transform {
 public:
  Matrix3 matrix;  // valid only when not stale
  bool matrixStale = true;
  bool usesMatrix = false;  // the matrix is authoritative (the transform became complex)
  bool rotated = false;
  bool scaled = false;
  float preTransX = 0, preTransY = 0;
  float postTransX = 0, postTransY = 0;
  float scaleX = 1, scaleY = 1;
  float rot = 0;

  void Reset() { *this = Transform(); }
  bool IsComplex() const { return usesMatrix; }

  void Translate(float tx, float ty);
  void Rotate(float angle);  // radians
  void Scale(float sx, float sy);

  const Matrix3& GetMatrix();

 private:
  void MakeComplex();
  void ComputeMatrix();
};

}  // namespace Orva
