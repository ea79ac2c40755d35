#include "collision/CollisionBSPX.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "geometry/DebugLinesX.h"
#include "geometry/MeshX.h"
#include "geometry/PolygonFunctionsX.h"
#include "geometry/SimplifyMeshX.h"

namespace {
constexpr float kNoMovement = 0.1f;          // a sweep shorter than this on every axis is none
constexpr float kBisectEnd = 0.001f;         // half length at which the bisection stops
constexpr float kFarDistance = 10000000.0f;  // contacts at or beyond it do not count
constexpr float kRayLength = 10000.0f;

uint64_t PositionKey(const Vector3fX& p) {
  auto bits = [](float v) {
    if (v == 0.f) v = 0.f;
    uint32_t b = 0;
    std::memcpy(&b, &v, sizeof(b));
    return uint64_t(b);
  };
  const uint64_t h = bits(p.x) * 0x9E3779B97F4A7C15ull ^ bits(p.y) * 0xC2B2AE3D27D4EB4Full;
  return h ^ (bits(p.z) + 0x165667B19E3779F9ull + (h << 6) + (h >> 2));
}
}  // namespace

struct CollisionBSPX::SphereHitX {
  float distance = kFarDistance;
  uint32_t polygon = INVALID32;
  Vector3fX point;
};

CollisionBSPX::~CollisionBSPX() { Clear(); }

void CollisionBSPX::Clear() {
  mAllPolygons.Clear();
  mNodes.Clear();
  mPlanes.Clear();
  mBoundingVolumes.Clear();
  mMainVertexList.Clear();
}

// ---------------------------------------------------------------------------------------------
// Filling

void CollisionBSPX::CreateFromMesh(const MeshX& mesh) {
  SimplifyMeshX simplifier(mesh, mJobs);
  if (simplifier.Simplify()) {
    AppendPolygons(simplifier.GetResult().mPolygonList);
  } else {
    // Nothing survived simplification: the triangles are taken as they are.
    AddMeshTriangles(mesh);
  }
}

void CollisionBSPX::AddMeshTriangles(const MeshX& mesh) {
  MeshX copy(mesh);
  copy.CreatePolygonList(true);
  ArrayX<PolygonX> triangles;
  for (const PolygonX& polygon : copy.mPolygonList) {
    if (polygon.vertexList.Size() == 3) {
      triangles.Add(polygon);
    } else if (polygon.vertexList.Size() > 3) {
      polygon.GetPolygonAsTrianglePolygons(triangles);
    }
  }
  AppendPolygons(triangles);
}

void CollisionBSPX::AppendPolygons(const ArrayX<PolygonX>& polygons) {
  // Positions are shared through a hash index; the list order is the order of first use.
  std::unordered_multimap<uint64_t, uint32_t> index;
  index.reserve(mMainVertexList.Size() + polygons.Size() * 3);
  for (uint32_t i = 0; i < mMainVertexList.Size(); ++i) {
    index.emplace(PositionKey(mMainVertexList[i]), i);
  }
  auto find = [&](const Vector3fX& p) -> uint32_t {
    auto range = index.equal_range(PositionKey(p));
    for (auto ite = range.first; ite != range.second; ++ite) {
      if (mMainVertexList[ite->second].IsSame(p)) return ite->second;
    }
    if (mMainVertexList.Size() >= sMaxElements) return INVALID32;
    mMainVertexList.Add(p);
    index.emplace(PositionKey(p), mMainVertexList.Size() - 1);
    return mMainVertexList.Size() - 1;
  };
  uint32_t refused = 0;
  for (const PolygonX& polygon : polygons) {
    if (polygon.surfaceFlags & (1u << 27)) continue;  // no collision
    if (polygon.vertexList.Size() != 3) continue;
    if (mAllPolygons.Size() >= sMaxElements) {
      ++refused;
      continue;
    }
    PolygonLightX light(&mMainVertexList);
    if (polygon.surfaceFlags & 0x80000u) light.mCollisionFlags |= PolygonLightX::sFlagBit19;
    if (polygon.surfaceFlags & 0x20u) light.mCollisionFlags |= PolygonLightX::sFlagBit5;
    bool valid = true;
    for (const VertexX& vertex : polygon.vertexList) {
      const uint32_t i = find(vertex.position);
      valid = valid && i != INVALID32 && light.AddVertex(uint16_t(i));
    }
    if (!valid) {
      ++refused;
      continue;
    }
    if (!light.IsAPolygon()) continue;
    light.CreatePlane();
    mAllPolygons.Add(light);
  }
  if (refused) {
    LogMessage(
        StringX("CollisionBSPX, too many polygons or vertices for 16-bit indices, left out : ") +
        refused);
  }
}

// ---------------------------------------------------------------------------------------------
// Building

void CollisionBSPX::BuildTree() {
  if (mAllPolygons.Empty()) return;
  mNodes.Clear();
  mPlanes.Clear();
  mBoundingVolumes.Clear();
  mNodes.Add(CollisionBSPNodeX());
  ArrayX<uint16_t>& list = mNodes[0].mPolygonIndices;
  list.IncreaseSize(mAllPolygons.Size());
  for (uint32_t i = 0; i < mAllPolygons.Size(); ++i) list.Add(uint16_t(i));
  DoSplit(0, CollisionBSPNodeX::sNone, 0);
}

float CollisionBSPX::ScorePlane(const PlaneX& plane, const ArrayX<uint16_t>& polygonIndices,
                                float& outBalance) const {
  uint32_t split = 0;
  uint32_t notSplit = 0;
  uint32_t front = 0;
  uint32_t back = 0;
  for (uint16_t index : polygonIndices) {
    const PolygonLightX& polygon = mAllPolygons[index];
    const uint32_t count = polygon.Size();
    if (!count) continue;
    bool inFront = false;
    bool behind = false;
    for (uint32_t i = 0; i < count; ++i) {
      const float d = plane.Distance(polygon.GetVertex(i));
      if (d < -fEPSILON2) {
        behind = true;
        ++back;
      } else {
        if (d > fEPSILON2) inFront = true;
        ++front;
      }
    }
    if (inFront && behind) {
      split += count;
    } else {
      notSplit += count;
    }
  }
  const float fraction = split + notSplit ? float(split) / float(split + notSplit) : 0.f;
  outBalance =
      (front == 0 || back == 0) ? 1.0f : 1.0f - float(std::min(front, back)) / float(front + back);
  return fraction + outBalance;
}

namespace {
PlaneX PlaneThrough(const Vector3fX& a, const Vector3fX& b, const Vector3fX& c) {
  PlaneX plane;
  plane.normal = Cross(b - a, c - a).Normalized();
  plane.d = Dot(plane.normal, a);
  return plane;
}
}  // namespace

void CollisionBSPX::SetOptimumSplitPlane(uint16_t nodeIndex) {
  const ArrayX<uint16_t>& list = mNodes[nodeIndex].mPolygonIndices;
  KX_ASSERT(!list.Empty(), "CollisionBSPX::SetOptimumSplitPlane");
  if (list.Empty()) return;
  PlaneX bestPlane;
  float bestScore = 2000000.0f;
  float bestBalance = 1000000.0f;
  for (uint32_t tries = 0; (bestScore < 0.49f || bestScore > 0.51f) && tries < 10; ++tries) {
    const int32_t r = FunctionsX::Rand();
    const uint32_t position = uint32_t(float(r) * 3.051851e-5f * float(list.Size() - 1));
    const PolygonLightX& polygon = mAllPolygons[list[std::min(position, list.Size() - 1)]];
    if (polygon.Size() < 3) continue;
    const PlaneX candidate =
        PlaneThrough(polygon.GetVertex(0), polygon.GetVertex(1), polygon.GetVertex(2));
    float balance = 0.f;
    const float score = ScorePlane(candidate, list, balance);
    if (score < bestScore) {
      bestPlane = candidate;
      bestScore = score;
      bestBalance = balance;
    }
  }
  if (bestBalance == 1.0f) {
    // Every random plane left the node on one side: planes through the polygons' edges,
    // perpendicular to them and facing their third corner.
    float secondBest = fMAX_FLOAT;
    for (uint16_t index : list) {
      const PolygonLightX& polygon = mAllPolygons[index];
      const uint32_t count = polygon.Size();
      if (count < 3) continue;
      for (uint32_t j = 0; j < count; ++j) {
        const Vector3fX& a = polygon.GetVertex(j);
        const Vector3fX& b = polygon.GetVertex((j + 1) % count);
        const Vector3fX& c = polygon.GetVertex((j + 2) % count);
        const Vector3fX ab = b - a;
        const float lengthSquared = ab.LengthSquared();
        if (lengthSquared <= 0.f) continue;
        const float t = Dot(c - a, ab) / lengthSquared;
        Vector3fX normal = c - (a + ab * t);
        if (normal.LengthSquared() <= 0.f) continue;
        normal.Normalize();
        normal.Normalize();
        const PlaneX candidate(normal, Dot(normal, a));
        float balance = 0.f;
        const float score = ScorePlane(candidate, list, balance);
        if (score < secondBest) {
          secondBest = score;
          bestPlane = candidate;
        }
      }
    }
  }
  const bool valid = !(IsZero(bestPlane.normal.x, 1e-15f) && IsZero(bestPlane.normal.y, 1e-15f) &&
                       IsZero(bestPlane.normal.z, 1e-15f));
  KX_ASSERT(valid, "CollisionBSPX::SetOptimumSplitPlane");
  KX_ASSERT(!ValidIndex(mNodes[nodeIndex].mSplitPlaneIndex), "CollisionBSPX::SetOptimumSplitPlane");
  mNodes[nodeIndex].mSplitPlaneIndex = uint16_t(mPlanes.Size());
  mPlanes.Add(bestPlane);
}

void CollisionBSPX::SetBoudingVolume(uint16_t nodeIndex, const ArrayX<uint16_t>& polygonIndices) {
  if (polygonIndices.Empty()) return;
  KX_ASSERT(!ValidIndex(mNodes[nodeIndex].mBoundingVolumeIndex), "CollisionBSPX::SetBoudingVolume");
  mNodes[nodeIndex].mBoundingVolumeIndex = uint16_t(mBoundingVolumes.Size());
  BoundingAxisAllignedBoxX box;
  for (uint16_t index : polygonIndices) {
    const PolygonLightX& polygon = mAllPolygons[index];
    for (uint32_t i = 0; i < polygon.Size(); ++i) box.Grow(polygon.GetVertex(i));
  }
  mBoundingVolumes.Add(box);
}

void CollisionBSPX::DoSplit(uint16_t nodeIndex, uint16_t parentIndex, uint32_t depth) {
  SetBoudingVolume(nodeIndex, mNodes[nodeIndex].mPolygonIndices);
  const uint32_t count = mNodes[nodeIndex].mPolygonIndices.Size();
  const bool hasParent = ValidIndex(parentIndex);
  if (count < 2 || (hasParent && count == mNodes[parentIndex].mPolygonIndices.Size()) ||
      depth >= sMaxDepth) {
    return;
  }
  // 16-bit node, plane and box references: a full tree stops splitting.
  if (mNodes.Size() + 2 >= sMaxElements || mBoundingVolumes.Size() + 2 >= sMaxElements) return;
  SetOptimumSplitPlane(nodeIndex);
  if (!ValidIndex(mNodes[nodeIndex].mSplitPlaneIndex)) return;
  const PlaneX plane = mPlanes[mNodes[nodeIndex].mSplitPlaneIndex];

  ArrayX<uint16_t> frontList;
  ArrayX<uint16_t> backList;
  for (uint16_t index : mNodes[nodeIndex].mPolygonIndices) {
    const Planes side = mAllPolygons[index].TestPointRelationToPolygon(plane);
    if (side == SPANNINGPLANE) {
      frontList.Add(index);
      backList.Add(index);
    } else if (side == BEHINDOFPLANE) {
      backList.Add(index);
    } else {
      frontList.Add(index);
    }
  }
  if (hasParent) {
    const uint32_t parentCount = mNodes[parentIndex].mPolygonIndices.Size();
    if (frontList.Size() == parentCount || backList.Size() == parentCount) return;
  }
  auto buildChild = [&](ArrayX<uint16_t>& childList, bool front) -> uint16_t {
    if (childList.Empty()) return CollisionBSPNodeX::sNone;
    const uint16_t child = uint16_t(mNodes.Size());
    mNodes.Add(CollisionBSPNodeX());
    mNodes[child].mPolygonIndices = std::move(childList);
    if (front) {
      mNodes[nodeIndex].mFrontIndex = child;
    } else {
      mNodes[nodeIndex].mBackIndex = child;
    }
    DoSplit(child, nodeIndex, depth + 1);
    if (mNodes[child].mPolygonIndices.Empty()) {
      KX_ASSERT(child + 1u == mNodes.Size(), "CollisionBSPX::DoSplit");
      mNodes.Remove(child);
      return CollisionBSPNodeX::sNone;
    }
    return child;
  };
  mNodes[nodeIndex].mFrontIndex = buildChild(frontList, true);
  mNodes[nodeIndex].mBackIndex = buildChild(backList, false);
  CollisionBSPNodeX& node = mNodes[nodeIndex];
  if (ValidIndex(node.mFrontIndex) != ValidIndex(node.mBackIndex)) {
    node.mFrontIndex = CollisionBSPNodeX::sNone;
    node.mBackIndex = CollisionBSPNodeX::sNone;
    // At the root there is no parent: its own count is printed.
    const uint32_t shown = hasParent ? mNodes[parentIndex].mPolygonIndices.Size() : count;
    LogMessage(StringX("Unable to split, left polygons : ") + shown +
               "  node depth : " + (int(depth) - 1));
  }
}

uint32_t CollisionBSPX::DepthOf(uint16_t nodeIndex, uint32_t depth) const {
  const CollisionBSPNodeX& node = mNodes[nodeIndex];
  uint32_t deepest = depth;
  if (ValidIndex(node.mFrontIndex))
    deepest = std::max(deepest, DepthOf(node.mFrontIndex, depth + 1));
  if (ValidIndex(node.mBackIndex)) deepest = std::max(deepest, DepthOf(node.mBackIndex, depth + 1));
  return deepest;
}

uint32_t CollisionBSPX::GetDepth() const { return mNodes.Empty() ? 0 : DepthOf(0, 0); }

// ---------------------------------------------------------------------------------------------
// Polygon tests

bool CollisionBSPX::SphereTouchesPolygon(const PolygonLightX& polygon, const Vector3fX& center,
                                         float radius, Vector3fX& outClosest) {
  if (polygon.Size() < 3) return false;
  const float d = polygon.plane.Distance(center);
  if (std::fabs(d) > radius) return false;
  const Vector3fX projected = std::fabs(d) > fEPSILON2 ? center - polygon.plane.normal * d : center;
  if (polygon.TestPointIntersection(projected)) {
    outClosest = projected;
    return true;
  }
  double best = double(radius);
  bool touched = false;
  const Vector3dX c(center);
  for (uint32_t i = 0; i < polygon.Size(); ++i) {
    const Vector3dX a(polygon.GetVertex(i));
    const Vector3dX b(polygon.GetVertex((i + 1) % polygon.Size()));
    const Vector3dX ab = b - a;
    const double lengthSquared = ab.LengthSquared();
    double t = lengthSquared > 0.0 ? Dot(c - a, ab) / lengthSquared : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const Vector3dX point = a + ab * t;
    const double distance = (c - point).Length();
    if (distance <= best) {
      best = distance;
      outClosest = point.ToFloat();
      touched = true;
    }
  }
  return touched;
}

bool CollisionBSPX::SegmentHitsPolygon(const PolygonLightX& polygon, const Vector3fX& a,
                                       const Vector3fX& b, float& outT) {
  if (polygon.Size() < 3) return false;
  Vector3fX point;
  float t = 0.f;
  if (!polygon.plane.TestLineIntersect(a, b, point, t)) return false;
  if (!polygon.TestPointIntersection(point)) return false;
  outT = t;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Queries

bool CollisionBSPX::OutsideBox(uint16_t nodeIndex, const Vector3fX& p, float radius) const {
  const uint16_t boxIndex = mNodes[nodeIndex].mBoundingVolumeIndex;
  if (!ValidIndex(boxIndex) || boxIndex >= mBoundingVolumes.Size()) return false;
  const BoundingAxisAllignedBoxX& box = mBoundingVolumes[boxIndex];
  const float c[3] = {p.x, p.y, p.z};
  const float lo[3] = {box.min.x, box.min.y, box.min.z};
  const float hi[3] = {box.max.x, box.max.y, box.max.z};
  for (int i = 0; i < 3; ++i) {
    const float gap = c[i] < lo[i] ? lo[i] - c[i] : (c[i] > hi[i] ? c[i] - hi[i] : 0.f);
    if (gap > radius) return true;
  }
  return false;
}

bool CollisionBSPX::OverlapNode(uint16_t nodeIndex, const Vector3fX& center, float radius) const {
  if (!ValidIndex(nodeIndex)) return false;
  if (OutsideBox(nodeIndex, center, radius)) return false;
  const CollisionBSPNodeX& node = mNodes[nodeIndex];
  if (node.IsLeaf()) {
    Vector3fX closest;
    for (uint16_t index : node.mPolygonIndices) {
      if (SphereTouchesPolygon(mAllPolygons[index], center, radius, closest)) return true;
    }
    return false;
  }
  const float d = mPlanes[node.mSplitPlaneIndex].Distance(center);
  if (d < -fEPSILON2) {
    return OverlapNode(node.mBackIndex, center, radius) ||
           OverlapNode(node.mFrontIndex, center, radius);
  }
  return OverlapNode(node.mFrontIndex, center, radius) ||
         OverlapNode(node.mBackIndex, center, radius);
}

bool CollisionBSPX::TestSphereOverlap(const Vector3fX& center, float radius) const {
  return IsBuilt() && OverlapNode(0, center, radius);
}

bool CollisionBSPX::TestSphereOverlapBruteForce(const Vector3fX& center, float radius) const {
  Vector3fX closest;
  for (const PolygonLightX& polygon : mAllPolygons) {
    if (SphereTouchesPolygon(polygon, center, radius, closest)) return true;
  }
  return false;
}

bool CollisionBSPX::TestSpherePolygons(const ArrayX<uint16_t>& list, const Vector3fX& p,
                                       float radius, const Vector3fX& u, bool nearest,
                                       SphereHitX& hit) const {
  bool found = false;
  Vector3fX closest;
  for (uint16_t index : list) {
    const PolygonLightX& polygon = mAllPolygons[index];
    if (Dot(polygon.plane.normal, u) >= 0.f) continue;  // only faces against the motion
    if (!SphereTouchesPolygon(polygon, p, radius, closest)) continue;
    const float distance = (closest - p).Length();
    if (distance >= kFarDistance) continue;
    found = true;
    if (distance < hit.distance || (distance == hit.distance && index < hit.polygon)) {
      hit.distance = distance;
      hit.polygon = index;
      hit.point = closest;
    }
    if (!nearest) return true;
  }
  return found;
}

bool CollisionBSPX::SphereNode(uint16_t nodeIndex, const Vector3fX& p, float radius,
                               const Vector3fX& u, bool nearest, SphereHitX& hit) const {
  if (!ValidIndex(nodeIndex)) return false;
  if (OutsideBox(nodeIndex, p, radius)) return false;
  const CollisionBSPNodeX& node = mNodes[nodeIndex];
  if (node.IsLeaf()) return TestSpherePolygons(node.mPolygonIndices, p, radius, u, nearest, hit);
  const float d = mPlanes[node.mSplitPlaneIndex].Distance(p);
  if (std::fabs(d) <= radius) {
    const uint16_t first = d > fEPSILON2 ? node.mFrontIndex : node.mBackIndex;
    const uint16_t second = d > fEPSILON2 ? node.mBackIndex : node.mFrontIndex;
    bool found = SphereNode(first, p, radius, u, nearest, hit);
    if (found && !nearest) return true;
    found = SphereNode(second, p, radius, u, nearest, hit) || found;
    return found;
  }
  return SphereNode(d > fEPSILON2 ? node.mFrontIndex : node.mBackIndex, p, radius, u, nearest, hit);
}

bool CollisionBSPX::Bisect(const Vector3fX& a, const Vector3fX& b, const Vector3fX& u, float radius,
                           bool bruteForce, CollisionResultX& result) const {
  const float length = (b - a).Length();
  const Vector3fX mid = a + u * (length * 0.5f);
  const float testRadius = length + radius;
  const bool last = length * 0.5f < kBisectEnd;
  // Coarse steps only ask whether anything is near; the last step finds the nearest contact.
  SphereHitX hit;
  bool found = false;
  if (bruteForce) {
    ArrayX<uint16_t> all;
    all.IncreaseSize(mAllPolygons.Size());
    for (uint32_t i = 0; i < mAllPolygons.Size(); ++i) all.Add(uint16_t(i));
    found = TestSpherePolygons(all, mid, testRadius, u, last, hit);
  } else {
    found = SphereNode(0, mid, testRadius, u, last, hit);
  }
  if (!found) return false;
  if (last) {
    result.mPolygon = &mAllPolygons[hit.polygon];
    result.mDistance = hit.distance;
    result.mPoint = hit.point;
    result.mTestRadius = testRadius;
    result.mCenter = mid;
    result.mNormal = result.mPolygon->plane.normal;
    return true;
  }
  return Bisect(a, mid, u, radius, bruteForce, result) ||
         Bisect(mid, b, u, radius, bruteForce, result);
}

bool CollisionBSPX::Sweep(const Vector3fX& from, const Vector3fX& to, float radius, bool bruteForce,
                          CollisionResultX& result) const {
  if (!IsBuilt()) return false;
  const Vector3fX move = to - from;
  if (std::fabs(move.x) <= kNoMovement && std::fabs(move.y) <= kNoMovement &&
      std::fabs(move.z) <= kNoMovement) {
    return false;
  }
  return Bisect(from, to, move.Normalized(), radius, bruteForce, result);
}

bool CollisionBSPX::TestSweptSphere(const Vector3fX& from, const Vector3fX& to, float radius,
                                    CollisionResultX& result) const {
  return Sweep(from, to, radius, false, result);
}

bool CollisionBSPX::TestSweptSphereBruteForce(const Vector3fX& from, const Vector3fX& to,
                                              float radius, CollisionResultX& result) const {
  return Sweep(from, to, radius, true, result);
}

void CollisionBSPX::RayNode(uint16_t nodeIndex, const Vector3fX& segA, const Vector3fX& segB,
                            const Vector3fX& a, const Vector3fX& b, float& bestT,
                            uint32_t& bestIndex) const {
  if (!ValidIndex(nodeIndex)) return;
  const CollisionBSPNodeX& node = mNodes[nodeIndex];
  if (node.IsLeaf()) {
    // Every polygon is intersected with the whole ray, so fractions compare across leaves.
    for (uint16_t index : node.mPolygonIndices) {
      float t = 0.f;
      if (!SegmentHitsPolygon(mAllPolygons[index], a, b, t) || t >= 1.0f) continue;
      if (t < bestT || (t == bestT && index < bestIndex)) {
        bestT = t;
        bestIndex = index;
      }
    }
    return;
  }
  const PlaneX& plane = mPlanes[node.mSplitPlaneIndex];
  const Planes sideA = plane.TestPointRelationToPlane(segA);
  const Planes sideB = plane.TestPointRelationToPlane(segB);
  if ((sideA == FRONTOFPLANE && sideB == BEHINDOFPLANE) ||
      (sideA == BEHINDOFPLANE && sideB == FRONTOFPLANE)) {
    const Vector3fX ab = segB - segA;
    const float t = (plane.d - Dot(plane.normal, segA)) / Dot(plane.normal, ab);
    const Vector3fX crossing = segA + ab * t;
    const Vector3fX v = ab.Normalized();
    const bool frontNear = sideA == FRONTOFPLANE;
    RayNode(frontNear ? node.mFrontIndex : node.mBackIndex, segA, crossing + v, a, b, bestT,
            bestIndex);
    // A hit before the far half's start cannot be beaten from the far side.
    const Vector3fX farStart = crossing - v;
    const Vector3fX whole = b - a;
    const float farT = Dot(farStart - a, whole) / whole.LengthSquared();
    if (bestT <= farT) return;
    RayNode(frontNear ? node.mBackIndex : node.mFrontIndex, farStart, segB, a, b, bestT, bestIndex);
    return;
  }
  Planes decide = sideA;
  if (decide == ONPLANE) decide = sideB;
  if (decide == FRONTOFPLANE) {
    RayNode(node.mFrontIndex, segA, segB, a, b, bestT, bestIndex);
  } else if (decide == BEHINDOFPLANE) {
    RayNode(node.mBackIndex, segA, segB, a, b, bestT, bestIndex);
  } else {
    RayNode(node.mFrontIndex, segA, segB, a, b, bestT, bestIndex);
    RayNode(node.mBackIndex, segA, segB, a, b, bestT, bestIndex);
  }
}

namespace {
bool FillRayResult(const ArrayX<PolygonLightX>& polygons, const Vector3fX& a, const Vector3fX& b,
                   float t, uint32_t index, CollisionResultX& result) {
  if (index == INVALID32) return false;
  result.mPolygon = &polygons[index];
  result.mDistance = t;
  result.mPoint = a + (b - a) * t;
  result.mNormal = result.mPolygon->plane.normal;
  return true;
}
}  // namespace

bool CollisionBSPX::TestRayIntersect(const Vector3fX& origin, const Vector3fX& direction,
                                     CollisionResultX& result) const {
  if (!IsBuilt()) return false;
  const Vector3fX end = origin + direction * kRayLength;
  float bestT = 1.0f;
  uint32_t bestIndex = INVALID32;
  RayNode(0, origin, end, origin, end, bestT, bestIndex);
  return FillRayResult(mAllPolygons, origin, end, bestT, bestIndex, result);
}

bool CollisionBSPX::TestRayIntersectBruteForce(const Vector3fX& origin, const Vector3fX& direction,
                                               CollisionResultX& result) const {
  const Vector3fX end = origin + direction * kRayLength;
  float bestT = 1.0f;
  uint32_t bestIndex = INVALID32;
  for (uint32_t i = 0; i < mAllPolygons.Size(); ++i) {
    float t = 0.f;
    if (!SegmentHitsPolygon(mAllPolygons[i], origin, end, t) || t >= 1.0f) continue;
    if (t < bestT) {
      bestT = t;
      bestIndex = i;
    }
  }
  return FillRayResult(mAllPolygons, origin, end, bestT, bestIndex, result);
}

bool CollisionBSPX::TestSphereIntersect(const Vector3fX&, float, CollisionResultX&) const {
  CodeNotDone(__FILE__, "CollisionBSPX::TestSphereIntersect", __LINE__, "Not done");
  return false;
}

bool CollisionBSPX::TestLineIntersect(const Vector3fX&, const Vector3fX&, CollisionResultX&) const {
  CodeNotDone(__FILE__, "CollisionBSPX::TestLineIntersect", __LINE__, "Not done");
  return false;
}

void CollisionBSPX::GetDebugLines(DebugLinesX& lines) const {
  constexpr float kNormalLength = 10.0f;
  if (!IsBuilt()) return;
  for (const PolygonLightX& polygon : mAllPolygons) {
    const uint32_t count = polygon.mIndexListSize;
    if (count == 0 || !polygon.mMainVertexList) continue;
    Vector3fX centre;
    for (uint32_t i = 0; i < count; ++i) {
      lines.mOutlines.push_back(polygon.GetVertex(i));
      lines.mOutlines.push_back(polygon.GetVertex((i + 1) % count));
      centre += polygon.GetVertex(i);
    }
    centre *= 1.0f / static_cast<float>(count);
    lines.mNormals.push_back(centre);
    lines.mNormals.push_back(centre + polygon.plane.normal * kNormalLength);
  }
}
