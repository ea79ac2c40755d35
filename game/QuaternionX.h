#pragma once
// Unit quaternions for the orientation of moving objects. Products are Hamilton products:
// (a * b) rotates by b first, then by a. Basis vectors read from a quaternion are the images of
// the x, y and z axes, which are also the rows of the engine's row-vector rotation matrix.
#include <cmath>

#include "geometry/Vector3fX.h"

struct QuaternionX {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;

  constexpr QuaternionX() = default;
  constexpr QuaternionX(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

  static QuaternionX Identity() { return QuaternionX(); }

  // Rotation by `angle` radians about a unit axis.
  static QuaternionX FromAxisAngle(const Vector3fX& axis, float angle) {
    const float s = std::sin(angle * 0.5f);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle * 0.5f)};
  }

  // Roll about z first, then pitch about x, then yaw about y (the yaw-pitch-roll composition of
  // the Direct3D helpers). Positive yaw turns +z toward +x; positive pitch turns +z toward -y.
  static QuaternionX FromYawPitchRoll(float yaw, float pitch, float roll) {
    const float sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
    const float sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
    const float sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
    return {cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr, cy * cp * sr - sy * sp * cr,
            cy * cp * cr + sy * sp * sr};
  }

  QuaternionX operator*(const QuaternionX& b) const {
    return {w * b.x + x * b.w + y * b.z - z * b.y, w * b.y - x * b.z + y * b.w + z * b.x,
            w * b.z + x * b.y - y * b.x + z * b.w, w * b.w - x * b.x - y * b.y - z * b.z};
  }

  float LengthSquared() const { return x * x + y * y + z * z + w * w; }

  // Back to unit length; a degenerate quaternion becomes the identity.
  void Normalize() {
    const float lengthSquared = LengthSquared();
    if (!(lengthSquared > 1e-20f) || !std::isfinite(lengthSquared)) {
      *this = Identity();
      return;
    }
    const float inverse = 1.0f / std::sqrt(lengthSquared);
    x *= inverse;
    y *= inverse;
    z *= inverse;
    w *= inverse;
  }

  Vector3fX Right() const {
    return {1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + w * z), 2.0f * (x * z - w * y)};
  }
  Vector3fX Up() const {
    return {2.0f * (x * y - w * z), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + w * x)};
  }
  Vector3fX Direction() const {
    return {2.0f * (x * z + w * y), 2.0f * (y * z - w * x), 1.0f - 2.0f * (x * x + y * y)};
  }
};
