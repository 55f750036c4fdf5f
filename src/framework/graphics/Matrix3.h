#pragma once

namespace Orva {

struct Vector2 {
  float x = 0;
  float y = 0;
};

struct Vector3 {
  float x = 0;
  float y = 0;
  float z = 0;
};

// 3 x 3 row-major matrix applied to column vectors. Translate, Rotate and Scale put the new
// operation in front (M becomes E * M), so it applies after everything already in M.
class Matrix3 {
 public:
  float m[3][3];

  Matrix3();  // identity
  void LoadIdentity();

  Matrix3 operator*(const Matrix3& other) const;
  Vector2 operator*(const Vector2& v) const;  // a point: the third coordinate is 1
  Vector3 operator*(const Vector3& v) const;

  void Translate(float tx, float ty);
  // Radians; with y pointing down a positive angle turns the picture counter-clockwise on screen.
  void Rotate(float angle);
  void Scale(float sx, float sy);

  // False when the matrix cannot be inverted; out is then left alone.
  bool Inverse(Matrix3& out) const;
};

}  // namespace Orva
