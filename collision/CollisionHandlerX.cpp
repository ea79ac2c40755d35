#include "collision/CollisionHandlerX.h"

#include <algorithm>
#include <cmath>

#include "collision/CollisionBSPX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"

namespace {
// Inverse of a 4x4 matrix by Gauss-Jordan elimination; the identity for a singular one.
Matrix4X Inverse(const Matrix4X& matrix) {
  double a[4][8];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      a[r][c] = matrix.m[r][c];
      a[r][c + 4] = r == c ? 1.0 : 0.0;
    }
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (std::fabs(a[pivot][col]) < 1e-12) return Matrix4X();
    if (pivot != col) {
      for (int c = 0; c < 8; ++c) std::swap(a[pivot][c], a[col][c]);
    }
    const double scale = 1.0 / a[col][col];
    for (int c = 0; c < 8; ++c) a[col][c] *= scale;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      const double factor = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= factor * a[col][c];
    }
  }
  Matrix4X inverse;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) inverse.m[r][c] = float(a[r][c + 4]);
  }
  return inverse;
}

Vector3fX TransformDirection(const Matrix4X& matrix, const Vector3fX& d) {
  const auto& m = matrix.m;
  return {d.x * m[0][0] + d.y * m[1][0] + d.z * m[2][0],
          d.x * m[0][1] + d.y * m[1][1] + d.z * m[2][1],
          d.x * m[0][2] + d.y * m[1][2] + d.z * m[2][2]};
}

bool RayQuery(const CollisionDataStructureBaseX& structure, const Vector3fX& a, const Vector3fX& b,
              float, CollisionResultX& result) {
  return structure.TestRayIntersect(a, b, result);
}

bool SweepQuery(const CollisionDataStructureBaseX& structure, const Vector3fX& a,
                const Vector3fX& b, float radius, CollisionResultX& result) {
  return structure.TestSweptSphere(a, b, radius, result);
}

// How far along the query a hit lies, in world units from the query's start.
float HitDistance(const CollisionResultX& result, const Vector3fX& start, bool ray) {
  return ((ray ? result.mPoint : result.mCenter) - start).Length();
}

// The centre from which the slide goes on: the sphere's centre at the contact, moved out along
// the contact normal to the skin radius. (Stepping back along the motion line instead would
// tilt the slide plane by the skin's share and bend the slide.)
Vector3fX SkinCenter(const CollisionResultX& contact, const Vector3fX& normal, float skinRadius) {
  const float distance = (contact.mCenter - contact.mPoint).Length();
  return contact.mCenter + normal * (skinRadius - distance);
}

// Rays reach this far (the structures' ray length).
constexpr float kRayLength = 10000.0f;

// False when the segment a-b passes farther from the object than its groups reach.
bool MayReach(const Matrix4X& world, float boundRadius, const Vector3fX& a, const Vector3fX& b,
              float radius) {
  const auto& m = world.m;
  const Vector3fX origin{m[3][0], m[3][1], m[3][2]};
  float scale = 0.f;
  for (int r = 0; r < 3; ++r) {
    scale = std::max(scale, Vector3fX{m[r][0], m[r][1], m[r][2]}.Length());
  }
  const Vector3fX ab = b - a;
  const float lengthSquared = ab.LengthSquared();
  const float t =
      lengthSquared > 0.f ? std::clamp(Dot(origin - a, ab) / lengthSquared, 0.f, 1.f) : 0.f;
  const float reach = boundRadius * scale + radius + 1.f;
  return (a + ab * t - origin).LengthSquared() <= reach * reach;
}

bool SameTarget(const Vector3fX& a, const Vector3fX& b) {
  return std::fabs(double(a.x) - double(b.x)) <= 1e-15 &&
         std::fabs(double(a.y) - double(b.y)) <= 1e-15 &&
         std::fabs(double(a.z) - double(b.z)) <= 1e-15;
}
}  // namespace

CollisionHandlerX::CollisionHandlerX(CollisionDataStructureManagerX* manager) : mManager(manager) {}

CollisionHandlerX::~CollisionHandlerX() {
  for (CollisionPack* pack : mColPacks) delete pack;
  mColPacks.Clear();
  mPackByObject.Clear();
}

bool CollisionHandlerX::AddWorld(const StringX& name, const ArrayX<const MeshX*>& worldMeshList,
                                 int64_t sourceTime) {
  KX_ASSERT(worldMeshList.Size(), "CollisionHandlerX::AddWorld");
  KX_ASSERT(mManager, "CollisionHandlerX::AddWorld");
  if (worldMeshList.Empty() || !mManager) return false;
  mWorld = mManager->GetWorldDataStructure(name, worldMeshList, sourceTime);
  if (mWorld) mWorld->Prepare();
  return mWorld != nullptr;
}

bool CollisionHandlerX::AddMesh(const MeshX* combinedMesh, uint32_t collisionType) {
  KX_ASSERT(combinedMesh, "CollisionHandlerX::AddMesh");
  if (!combinedMesh || !mManager) return false;
  CollisionDataStructureBaseX* structure =
      mManager->GetDataStructure(combinedMesh->GetName(), collisionType, *combinedMesh);
  if (!structure) return false;
  structure->Prepare();
  mStaticStructures.Add(structure);
  return true;
}

bool CollisionHandlerX::AddObjectMoveableX(ICollisionObjectX* objectMoveableX) {
  KX_ASSERT(objectMoveableX, "CollisionHandlerX::AddObjectMoveableX");
  if (!objectMoveableX || mPackByObject.FindValue(objectMoveableX)) return false;
  CollisionPack* pack = new CollisionPack();
  pack->mObject = objectMoveableX;
  const MeshX* mesh = objectMoveableX->GetCollisionMesh();
  if (mesh && mManager && !mesh->mSections.Empty()) {
    // The first section is the object's one collision group. Its structure is named after the
    // mesh, so objects of one mesh share it and different meshes never do.
    const SectionX& section = mesh->mSections[0];
    MeshX group;
    group.mPointOrdering = POINTORDER_TRIANGLELIST;
    group.mVertexList = mesh->mVertexList;
    for (uint32_t i = section.first; i < section.end && i < mesh->mIndexList.Size(); ++i) {
      group.mIndexList.Add(mesh->mIndexList[i]);
    }
    group.mSections.Add(SectionX{0, group.mIndexList.Size()});
    for (const int32_t index : group.mIndexList) {
      if (index >= 0 && uint32_t(index) < group.mVertexList.Size()) {
        pack->mBoundRadius =
            std::max(pack->mBoundRadius, group.mVertexList[uint32_t(index)].position.Length());
      }
    }
    pack->mStructures.Add(mManager->GetDataStructure(mesh->GetName() + "#0", BSP, group));
  } else {
    pack->mStructures.Add(nullptr);
  }
  mColPacks.Add(pack);
  mPackByObject.Add(pack, objectMoveableX);
  return true;
}

bool CollisionHandlerX::RemoveObjectMoveableX(ICollisionObjectX* objectMoveableX) {
  CollisionPack** found = mPackByObject.FindValue(objectMoveableX);
  CollisionPack* pack = found ? *found : nullptr;
  auto ite = pack ? mColPacks.Find(pack) : mColPacks.end();
  KX_ASSERT(ite != mColPacks.end(), "CollisionHandlerX::RemoveObjectMoveableX");
  if (ite == mColPacks.end()) return false;
  mColPacks.RemoveStable(ite);
  mPackByObject.Remove(objectMoveableX);
  delete pack;
  return true;
}

const CollisionHandlerX::CollisionPack* CollisionHandlerX::GetPack(
    ICollisionObjectX* object) const {
  CollisionPack** found = mPackByObject.FindValue(object);
  return found ? *found : nullptr;
}

bool CollisionHandlerX::Query(QueryX query, const Vector3fX& a, const Vector3fX& b, float radius,
                              bool ray, CollisionResultX& result, bool worldOnly) const {
  if (!mWorld) return false;
  bool hit = query(*mWorld, a, b, radius, result);
  if (hit) result.mObject = nullptr;
  if (worldOnly) return hit;
  float best = hit ? HitDistance(result, a, ray) : fMAX_FLOAT;
  for (const CollisionDataStructureBaseX* structure : mStaticStructures) {
    CollisionResultX candidate;
    if (!query(*structure, a, b, radius, candidate)) continue;
    const float distance = HitDistance(candidate, a, ray);
    if (distance < best) {
      best = distance;
      result = candidate;
      result.mObject = nullptr;
      hit = true;
    }
  }
  for (const CollisionPack* pack : mColPacks) {
    if (!pack->mActiveFlag) continue;
    const Matrix4X& world = pack->mObject->GetCollisionMatrix();
    if (!MayReach(world, pack->mBoundRadius, a, ray ? a + b * kRayLength : b, radius)) continue;
    const Matrix4X local = Inverse(world);
    const Vector3fX localA = MeshX::TransformPosition(local, a);
    // A ray's second argument is a direction; a sweep's is a position.
    const Vector3fX localB =
        ray ? TransformDirection(local, b) : MeshX::TransformPosition(local, b);
    for (const CollisionDataStructureBaseX* structure : pack->mStructures) {
      if (!structure) continue;
      CollisionResultX candidate;
      if (!query(*structure, localA, localB, radius, candidate)) continue;
      // Back to world space before comparing.
      candidate.mPoint = MeshX::TransformPosition(world, candidate.mPoint);
      candidate.mCenter = MeshX::TransformPosition(world, candidate.mCenter);
      Vector3fX normal = TransformDirection(world, candidate.mNormal);
      if (normal.LengthSquared() > 0.f) normal.Normalize();
      candidate.mNormal = normal;
      const float distance = HitDistance(candidate, a, ray);
      if (distance < best) {
        best = distance;
        result = candidate;
        result.mObject = pack->mObject;
        hit = true;
      }
    }
  }
  return hit;
}

bool CollisionHandlerX::TestRay(const Vector3fX& origin, const Vector3fX& direction,
                                CollisionResultX& result, bool worldOnly) const {
  return Query(&RayQuery, origin, direction, 0.f, true, result, worldOnly);
}

bool CollisionHandlerX::SweepSphere(const Vector3fX& from, const Vector3fX& to, float radius,
                                    CollisionResultX& result, bool worldOnly) const {
  return Query(&SweepQuery, from, to, radius, false, result, worldOnly);
}

bool CollisionHandlerX::TestSphere(const Vector3fX& center, float radius) const {
  return mWorld && mWorld->TestSphereOverlap(center, radius);
}

bool CollisionHandlerX::CollideAndSlide(const Vector3fX& from, const Vector3fX& to,
                                        CollisionResultX& result) const {
  const float skinRadius = sSlideRadius + sSlideSkin;
  CollisionResultX contact;
  if (!SweepSphere(from, to, sSlideRadius, contact, true)) return false;
  result = contact;
  const PolygonLightX* firstPolygon = contact.mPolygon;
  Vector3fX start = from;
  Vector3fX target = to;
  Vector3fX previousNormal;
  bool hasPrevious = false;
  for (uint32_t pass = 0; pass < sMaxSlidePasses; ++pass) {
    const Vector3fX point = contact.mPoint;
    // The contact normal: from the contact point to the sphere's centre (a face, an edge or a
    // corner alike).
    Vector3fX normal = contact.mCenter - point;
    if (normal.LengthSquared() <= 1e-12f) normal = contact.mNormal;
    normal.Normalize();
    const Vector3fX center = SkinCenter(contact, normal, skinRadius);
    // The target moves onto the slide plane, lifted to the centre's distance from it.
    Vector3fX newTarget = target;
    const float beyond = Dot(normal, newTarget - point);
    if (std::fabs(beyond) > fEPSILON2) newTarget = newTarget - normal * beyond;
    newTarget = newTarget + normal * skinRadius;
    if (hasPrevious && Dot(normal, previousNormal) >= 0.f) {
      // Two planes hold the sphere: go on along the line where they meet.
      const Vector3fX crease = Cross(previousNormal, normal);
      const float dotNormals = Dot(previousNormal, normal);
      if (crease.LengthSquared() > 1e-5f && 1.0f - dotNormals * dotNormals >= 1e-8f) {
        const Vector3fX direction = crease.Normalized();
        newTarget = center + direction * Dot(target - center, direction);
      } else {
        newTarget = center;
      }
    }
    if (SameTarget(newTarget, target)) {
      result.mPoint = newTarget;
      return true;
    }
    CollisionResultX next;
    if (!SweepSphere(center, newTarget, sSlideRadius, next, true)) {
      result.mPolygon = firstPolygon;
      result.mPoint = newTarget;
      return true;
    }
    previousNormal = normal;
    hasPrevious = true;
    start = center;
    target = newTarget;
    contact = next;
  }
  result.mPoint = start;
  return true;
}

bool CollisionHandlerX::TestBounce(const Vector3fX& from, const Vector3fX& to,
                                   CollisionResultX& result) const {
  if (!SweepSphere(from, to, sShotRadius, result, false)) return false;
  const Vector3fX n = result.mNormal;
  result.mPoint = result.mPoint + n;
  const Vector3fX b = -(to - from).Normalized();
  Vector3fX reflected = n * (2.0f * Dot(b, n)) - b;
  reflected.Normalize();
  result.mReflectDirection = reflected;
  result.mBouncePoint = result.mPoint + reflected * (to - result.mPoint).Length();
  return true;
}

SlideOutcomeX CollisionHandlerX::SlideBody(const Vector3fX& lastPosition, const Vector3fX& position,
                                           const Vector3fX& gravity) const {
  SlideOutcomeX outcome;
  outcome.mPosition = position;
  CollisionResultX result;
  if (!CollideAndSlide(lastPosition, position, result)) return outcome;
  outcome.mContact = true;
  const Vector3fX push = result.mPoint - position;
  if (push.LengthSquared() > 0.f) {
    const float along = Dot(push.Normalized(), gravity);
    outcome.mStopFall = along >= 0.01f && along <= 1.0f;
  }
  outcome.mPosition = result.mPoint;
  outcome.mClimb = result.mPolygon && (result.mPolygon->mCollisionFlags & 1u);
  return outcome;
}

void CollisionHandlerX::MoveShot(ShotMoveX& shot) const {
  for (uint32_t contacts = 0; contacts < sMaxShotContacts; ++contacts) {
    CollisionResultX result;
    if (!TestBounce(shot.mLastPosition, shot.mPosition, result)) return;
    if (result.mObject) {
      shot.mHitObject = result.mObject;
      shot.mRetire = true;
      return;
    }
    // The rest of the move continues from the contact along the reflected direction.
    shot.mLastPosition = result.mPoint;
    shot.mPosition = result.mBouncePoint;
    shot.mDirection = result.mReflectDirection;
    ++shot.mBounces;
  }
  shot.mRetire = true;
}
