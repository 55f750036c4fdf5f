#include "framework/graphics/Transform.h"

namespace Orva {

// A translation before any rotation or scale is kept as the pre-translation (the picture's own
// offset); one after them as the post-translation (its place on screen).
void Transform::Translate(float tx, float ty) {
  if (usesMatrix) {
    matrix.Translate(tx, ty);
    return;
  }
  if (rotated || scaled) {
    postTransX += tx;
    postTransY += ty;
  } else {
    preTransX += tx;
    preTransY += ty;
  }
  matrixStale = true;
}

void Transform::Rotate(float angle) {
  if (!usesMatrix && !scaled) {
    rot += angle;
    rotated = true;
    matrixStale = true;
    return;
  }
  MakeComplex();
  matrix.Rotate(angle);
}

void Transform::Scale(float sx, float sy) {
  // A single horizontal mirror stays simple; anything the simple form cannot express does not.
  const bool needsMatrix =
      usesMatrix || rotated || preTransX != 0 || preTransY != 0 || (sx < 0 && scaleX * sx != -1) || sy < 0;
  if (!needsMatrix) {
    scaleX *= sx;
    scaleY *= sy;
    scaled = true;
    matrixStale = true;
    return;
  }
  MakeComplex();
  matrix.Scale(sx, sy);
}

const Matrix3& Transform::GetMatrix() {
  if (matrixStale) ComputeMatrix();
  return matrix;
}

void Transform::MakeComplex() {
  if (usesMatrix) return;
  GetMatrix();
  usesMatrix = true;
}

void Transform::ComputeMatrix() {
  matrix.LoadIdentity();
  matrix.m[0][2] = preTransX;
  matrix.m[1][2] = preTransY;
  if (scaled) {
    matrix.m[0][0] = scaleX;
    matrix.m[1][1] = scaleY;
  } else if (rotated) {
    matrix.Rotate(rot);
  }
  if (postTransX != 0 || postTransY != 0) matrix.Translate(postTransX, postTransY);
  matrixStale = false;
}

}  // namespace Orva
