#pragma once
// CollisionResultX: the hit record every collision query fills.
#include <cstdint>

#include "geometry/PolygonX.h"

class ICollisionObjectX;

struct CollisionResultX {
  uint32_t mReserved0 = 0;               // filled by no query
  ICollisionObjectX* mObject = nullptr;  // the moving object hit; null for world and statics
  uint32_t mReserved1 = 0;
  const PolygonLightX* mPolygon = nullptr;  // the polygon hit (in its structure's frame)
  Vector3fX mReflectDirection;
  Vector3fX mBouncePoint;
  Vector3fX mCenter;        // the query sphere's centre at the contact
  float mTestRadius = 0.f;  // the radius actually tested
  float mDistance = 0.f;    // ray: fraction along the segment; spheres: centre to contact
  Vector3fX mPoint;         // contact or hit point
  Vector3fX mNormal;        // normal of the polygon hit, in world space
};
