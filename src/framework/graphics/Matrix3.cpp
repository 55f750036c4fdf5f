#include "framework/graphics/Matrix3.h"

#include <cmath>

namespace Orva {

Matrix3::Matrix3() { LoadIdentity(); }

void Matrix3::LoadIdentity() {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
}

Matrix3 Matrix3::operator*(const Matrix3& o) const {
  Matrix3 result;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) result.m[r][c] = m[r][0] * o.m[0][c] + m[r][1] * o.m[1][c] + m[r][2] * o.m[2][c];
  return result;
}

Vector2 Matrix3::operator*(const Vector2& v) const {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2], m[1][0] * v.x + m[1][1] * v.y + m[1][2]};
}

Vector3 Matrix3::operator*(const Vector3& v) const {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}

void Matrix3::Translate(float tx, float ty) {
  Matrix3 e;
  e.m[0][2] = tx;
  e.m[1][2] = ty;
  *this = e * *this;
}

void Matrix3::Rotate(float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  Matrix3 e;
  e.m[0][0] = c;
  e.m[0][1] = s;
  e.m[1][0] = -s;
  e.m[1][1] = c;
  *this = e * *this;
}

void Matrix3::Scale(float sx, float sy) {
  Matrix3 e;
  e.m[0][0] = sx;
  e.m[1][1] = sy;
  *this = e * *this;
}

bool Matrix3::Inverse(Matrix3& out) const {
  const double a = m[0][0], b = m[0][1], c = m[0][2];
  const double d = m[1][0], e = m[1][1], f = m[1][2];
  const double g = m[2][0], h = m[2][1], i = m[2][2];
  const double co00 = e * i - f * h, co01 = -(d * i - f * g), co02 = d * h - e * g;
  const double det = a * co00 + b * co01 + c * co02;
  if (!std::isfinite(det) || std::fabs(det) < 1e-12) return false;
  const double inv = 1.0 / det;
  out.m[0][0] = float(co00 * inv);
  out.m[0][1] = float(-(b * i - c * h) * inv);
  out.m[0][2] = float((b * f - c * e) * inv);
  out.m[1][0] = float(co01 * inv);
  out.m[1][1] = float((a * i - c * g) * inv);
  out.m[1][2] = float(-(a * f - c * d) * inv);
  out.m[2][0] = float(co02 * inv);
  out.m[2][1] = float(-(a * h - b * g) * inv);
  out.m[2][2] = float((a * e - b * d) * inv);
  return true;
}

}  // namespace Orva
