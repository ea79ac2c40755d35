#pragma once
// Three-component float vector: positions, normals and directions throughout the engine.
#include <cmath>

#include "geometry/GeometryMathX.h"

class StreamX;

struct Vector3fX {
  float x = 0.f;
  float y = 0.f;
  float z = 0.f;

  constexpr Vector3fX() = default;
  constexpr Vector3fX(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

  constexpr Vector3fX operator+(const Vector3fX& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector3fX operator-(const Vector3fX& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector3fX operator*(float s) const { return {x * s, y * s, z * s}; }
  constexpr Vector3fX operator-() const { return {x * -1.0f, y * -1.0f, z * -1.0f}; }
  Vector3fX& operator+=(const Vector3fX& o) { return *this = *this + o; }
  Vector3fX& operator-=(const Vector3fX& o) { return *this = *this - o; }
  Vector3fX& operator*=(float s) { return *this = *this * s; }

  float LengthSquared() const { return x * x + y * y + z * z; }
  float Length() const { return std::sqrt(LengthSquared()); }
  // Scales to unit length. No zero guard: callers make sure the vector is not zero.
  void Normalize() { *this *= 1.0f / std::sqrt(LengthSquared()); }
  Vector3fX Normalized() const {
    Vector3fX v = *this;
    v.Normalize();
    return v;
  }
  void Negate() { *this = -*this; }

  // Strict order on x, then y, then z; each compared in double with the ordering tolerance.
  bool operator<(const Vector3fX& o) const { return Compare(*this, o) < 0; }
  // Exact equality under the ordering tolerance.
  bool IsSame(const Vector3fX& o) const { return Compare(*this, o) == 0; }

  static int Compare(const Vector3fX& a, const Vector3fX& b) {
    if (int c = CompareOrdered(a.x, b.x)) return c;
    if (int c = CompareOrdered(a.y, b.y)) return c;
    return CompareOrdered(a.z, b.z);
  }
};

inline float Dot(const Vector3fX& a, const Vector3fX& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3fX Cross(const Vector3fX& a, const Vector3fX& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline bool Equal(const Vector3fX& a, const Vector3fX& b, float eps = fEPSILON2) {
  return Equal(a.x, b.x, eps) && Equal(a.y, b.y, eps) && Equal(a.z, b.z, eps);
}
inline bool IsZero(const Vector3fX& a, float eps = fEPSILON2) {
  return IsZero(a.x, eps) && IsZero(a.y, eps) && IsZero(a.z, eps);
}

// A vector travels in a stream as its three floats, x first.
StreamX& operator<<(StreamX& stream, Vector3fX& v);
StreamX& operator<<(StreamX& stream, const Vector3fX& v);

// Double-precision vector for the exact intersection and closest-point computations.
struct Vector3dX {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;

  constexpr Vector3dX() = default;
  constexpr Vector3dX(double ax, double ay, double az) : x(ax), y(ay), z(az) {}
  constexpr explicit Vector3dX(const Vector3fX& v) : x(v.x), y(v.y), z(v.z) {}

  constexpr Vector3dX operator+(const Vector3dX& o) const { return {x + o.x, y + o.y, z + o.z}; }
  constexpr Vector3dX operator-(const Vector3dX& o) const { return {x - o.x, y - o.y, z - o.z}; }
  constexpr Vector3dX operator*(double s) const { return {x * s, y * s, z * s}; }
  double LengthSquared() const { return x * x + y * y + z * z; }
  double Length() const { return std::sqrt(LengthSquared()); }
  Vector3dX Normalized() const { return *this * (1.0 / Length()); }
  Vector3fX ToFloat() const { return {float(x), float(y), float(z)}; }
};

inline double Dot(const Vector3dX& a, const Vector3dX& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3dX Cross(const Vector3dX& a, const Vector3dX& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
