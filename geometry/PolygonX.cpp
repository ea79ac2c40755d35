#include "geometry/PolygonX.h"

#include "engine/ReportHooksX.h"
#include "geometry/FanSearchX.h"
#include "geometry/PolygonFunctionsX.h"

namespace {
// The plane of a vertex loop: normalised sum of the corner normals, through the centroid.
bool ComputePlane(const ArrayX<VertexX>& vertices, PlaneX& outPlane) {
  const uint32_t n = vertices.Size();
  if (n < 3) return false;
  Vector3fX sum;
  Vector3fX positionSum;
  for (uint32_t i = 0; i < n; ++i) {
    const Vector3fX& p = vertices[i].position;
    const Vector3fX& prev = vertices[(i + n - 1) % n].position;
    const Vector3fX& next = vertices[(i + 1) % n].position;
    sum += Cross((next - p).Normalized(), (prev - p).Normalized());
    positionSum += p;
  }
  // IsZero also rejects a NaN sum (a repeated position makes a zero direction).
  if (IsZero(sum, fEDGE_EPSILON)) return false;
  outPlane.normal = sum.Normalized();
  outPlane.d = Dot(outPlane.normal, positionSum * (1.0f / float(n)));
  return true;
}

Vector3fX MeanOf(const ArrayX<VertexX>& vertices, const ArrayX<uint32_t>* indices) {
  const uint32_t count = indices ? indices->Size() : vertices.Size();
  Vector3fX sum;
  for (uint32_t i = 0; i < count; ++i) sum += vertices[indices ? (*indices)[i] : i].position;
  return count ? sum * (1.0f / float(count)) : sum;
}
}  // namespace

PolygonX::PolygonX() { vertexList.IncreaseSize(3); }

PolygonX::PolygonX(const PolygonX& other) : vertexList(other.vertexList) { CopyAttributes(other); }

PolygonX& PolygonX::operator=(const PolygonX& other) {
  if (this != &other) {
    vertexList = other.vertexList;
    CopyAttributes(other);
  }
  return *this;
}

void PolygonX::CopyAttributes(const PolygonX& other) {
  tag = other.tag;
  colour = other.colour;
  plane = other.plane;
  surfaceFlags = other.surfaceFlags;
  planeCreated = other.planeCreated;
}

bool PolygonX::CreatePlaneSafe() {
  planeCreated = ComputePlane(vertexList, plane);
  return planeCreated;
}

bool PolygonX::GetWorkingPlane(PlaneX& outPlane) const {
  if (planeCreated) {
    outPlane = plane;
    return true;
  }
  return ComputePlane(vertexList, outPlane);
}

bool PolygonX::IsAPolygon() const {
  const uint32_t n = vertexList.Size();
  if (n < 3) return false;
  PlaneX workPlane;
  if (!GetWorkingPlane(workPlane)) return false;
  for (uint32_t i = 0; i < n; ++i) {
    for (uint32_t j = i + 1; j < n; ++j) {
      if (Equal(vertexList[i].position, vertexList[j].position)) return false;
    }
  }
  if (IsNeedlePolygon(workPlane)) return false;
  return IsConvex(workPlane);
}

bool PolygonX::IsConvex(const PlaneX& plane) const {
  const uint32_t n = vertexList.Size();
  if (n < 3) return false;
  if (n == 3) return true;
  ArrayX<uint32_t> indicies;
  PolygonFunctions::GetIndexsWithoutLineVertices(*this, indicies);
  KX_ASSERT(indicies.Size() > 2, "PolygonX::IsConvex");
  const uint32_t m = indicies.Size();
  if (m < 3) return false;
  if (m == 3) return true;
  // Every corner turn, the closing ones included, must bend the same way.
  int sign = 0;
  for (uint32_t k = 0; k < m; ++k) {
    const Vector3fX& a = vertexList[indicies[k]].position;
    const Vector3fX& b = vertexList[indicies[(k + 1) % m]].position;
    const Vector3fX& c = vertexList[indicies[(k + 2) % m]].position;
    const Vector3fX e = Cross(b - a, plane.normal).Normalized();
    const float s = Dot(e, c) - Dot(e, a);
    if (!(std::fabs(s) > fEDGE_EPSILON)) continue;
    const int thisSign = s > 0.f ? 1 : -1;
    if (sign == 0) {
      sign = thisSign;
    } else if (sign != thisSign) {
      return false;
    }
  }
  return true;
}

bool PolygonX::IsCCW() const {
  // Three positions are needed for a turn.
  if (vertexList.Size() < 3) return false;
  PlaneX workPlane;
  GetWorkingPlane(workPlane);
  const Vector3fX& p0 = vertexList[0].position;
  const Vector3fX& p1 = vertexList[1].position;
  const Vector3fX& p2 = vertexList[2].position;
  return Dot(Cross(p1 - p0, p2 - p0), workPlane.normal) >= 0.f;
}

bool PolygonX::IsNeedlePolygon() const {
  if (vertexList.Size() < 3) return true;
  PlaneX workPlane;
  if (!GetWorkingPlane(workPlane)) return IsNeedlePolygonLine();
  return IsNeedlePolygon(workPlane);
}

bool PolygonX::IsNeedlePolygon(const PlaneX& plane) const {
  KX_ASSERT(plane.IsValid(), "PolygonX::IsNeedlePolygon");
  if (vertexList.Size() < 3) return true;
  ArrayX<uint32_t> corners;
  PolygonFunctions::GetIndexsWithoutLineVertices(*this, corners);
  return corners.Size() < 3;
}

bool PolygonX::IsNeedlePolygonLine() const {
  KX_ASSERT(vertexList.Size() > 2, "PolygonX::IsNeedlePolygonLine");
  const uint32_t n = vertexList.Size();
  if (n < 2) return true;
  const Vector3fX& p0 = vertexList[0].position;
  uint32_t distinct = 1;
  while (distinct < n && Equal(vertexList[distinct].position, p0)) ++distinct;
  if (distinct == n) {
    LogMessage("Polygon is a point");
    return true;
  }
  const Vector3fX& p1 = vertexList[distinct].position;
  for (uint32_t i = 1; i < n; ++i) {
    if (Line3DFunctions::DistancePointLine(vertexList[i].position, p0, p1) > fLINE_EPSILON) {
      return false;
    }
  }
  return true;
}

bool PolygonX::RemoveDuplicateVertices() {
  bool removed = false;
  for (uint32_t i = 0; i < vertexList.Size(); ++i) {
    for (uint32_t j = vertexList.Size() - 1; j > i; --j) {
      if (vertexList[j].position.IsSame(vertexList[i].position)) {
        vertexList.RemoveStable(j);
        removed = true;
      }
    }
  }
  return removed;
}

bool PolygonX::RemoveLineVertices() {
  bool removed = RemoveDuplicateVertices();
  uint32_t i = 0;
  while (vertexList.Size() >= 3 && i < vertexList.Size()) {
    const int32_t length = int32_t(vertexList.Size());
    const int32_t first = (int32_t(i) + length - 1) % length;
    const int32_t middle = int32_t(i);
    const int32_t last = (int32_t(i) + 1) % length;
    KX_ASSERT(first >= 0 && first < length, "PolygonX::RemoveLineVertices");
    KX_ASSERT(middle >= 0 && middle < length, "PolygonX::RemoveLineVertices");
    KX_ASSERT(last >= 0 && last < length, "PolygonX::RemoveLineVertices");
    const double distance = Line3DFunctions::DistancePointLine(
        vertexList[middle].position, vertexList[first].position, vertexList[last].position);
    if (distance < fLINE_EPSILON) {
      vertexList.RemoveStable(middle);
      removed = true;
    } else {
      ++i;
    }
  }
  return removed;
}

Vector3fX PolygonX::GetCenter() const {
  KX_ASSERT(vertexList.Size() > 2, "PolygonX::GetCenter");
  return MeanOf(vertexList, nullptr);
}

Vector3fX PolygonX::GetCenterSafe() const {
  KX_ASSERT(vertexList.Size() > 2, "PolygonX::GetCenterSafe");
  ArrayX<uint32_t> indicies;
  if (vertexList.Size() > 2) PolygonFunctions::GetIndexsWithoutLineVertices(*this, indicies);
  KX_ASSERT(indicies.Size() > 2, "PolygonX::GetCenterSafe");
  return MeanOf(vertexList, &indicies);
}

bool PolygonX::TestPointIntersection(const Vector3fX& point) const {
  PlaneX workPlane;
  if (!GetWorkingPlane(workPlane)) return false;
  return FanSearchX::ContainsPoint(
      vertexList.Size(), [this](uint32_t i) { return vertexList[i].position; }, workPlane.normal,
      point);
}

bool PolygonX::TestLineIntersect(const Vector3fX& start, const Vector3fX& end, float& outT,
                                 Vector3fX& outPoint) const {
  PlaneX workPlane;
  if (!GetWorkingPlane(workPlane)) return false;
  if (!workPlane.TestLineIntersect(start, end, outPoint, outT)) return false;
  return TestPointIntersection(outPoint);
}

void PolygonX::GetPolygonAsTrianglePolygons(ArrayX<PolygonX>& outList) const {
  KX_ASSERT(vertexList.Size() > 2, "PolygonX::GetPolygonAsTrianglePolygons");
  const uint32_t n = vertexList.Size();
  if (n < 3) return;
  if (n == 3) {
    outList.Add(*this);
    return;
  }
  for (uint32_t i = 2; i < n; ++i) {
    PolygonX piece;
    piece.CopyAttributes(*this);
    piece.vertexList.Add(vertexList[0]);
    piece.vertexList.Add(vertexList[i - 1]);
    piece.vertexList.Add(vertexList[i]);
    if (piece.IsAPolygon()) outList.Add(piece);
  }
}

void PolygonX::TriangulateSafe(ArrayX<PolygonX>& outList) const {
  KX_ASSERT(vertexList.Size() > 2, "PolygonX::TriangulateSafe");
  if (vertexList.Size() < 3) return;
  ArrayX<PolygonX> triangles;
  PolygonFunctions::TriangulatePolygon(*this, triangles);
  for (uint32_t i = 0; i < triangles.Size(); ++i) {
    const PolygonX& tempPol = triangles[i];
    KX_ASSERT(tempPol.IsAPolygon(), "PolygonX::TriangulateSafe");
    outList.Add(tempPol);
  }
}

bool PolygonX::FindVertex(const VertexX& vertex, uint32_t& outIndex) const {
  for (uint32_t i = 0; i < vertexList.Size(); ++i) {
    if (vertexList[i] == vertex) {
      outIndex = i;
      return true;
    }
  }
  return false;
}

bool PolygonX::MergePolygon(const PolygonX& other, bool requireSamePlane) {
  const uint32_t n = vertexList.Size();
  const uint32_t otherCount = other.vertexList.Size();
  if (n < 3 || otherCount < 3) return false;
  // Where each vertex of this polygon sits in the other one.
  ArrayX<uint32_t> otherIndex;
  uint32_t shared = 0;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t index = INVALID32;
    if (other.FindVertex(vertexList[i], index)) ++shared;
    otherIndex.Add(index);
  }
  if (shared < 2 || shared == n) return false;
  // The shared vertices must form one run; find its first and last vertex in this winding.
  uint32_t runStart = INVALID32;
  uint32_t runs = 0;
  for (uint32_t i = 0; i < n; ++i) {
    if (otherIndex[i] != INVALID32 && otherIndex[(i + n - 1) % n] == INVALID32) {
      runStart = i;
      ++runs;
    }
  }
  if (runs != 1) return false;
  const uint32_t runEnd = (runStart + shared - 1) % n;
  // With the same winding the other polygon runs from the shared run's start through its own
  // vertices to the run's end; with the opposite winding it does so backwards.
  auto isShared = [&](uint32_t j) {
    uint32_t index = 0;
    return FindVertex(other.vertexList[j], index);
  };
  const uint32_t start = otherIndex[runStart];
  const bool forward = !isShared((start + 1) % otherCount);
  if (!forward && isShared((start + otherCount - 1) % otherCount)) return false;
  if (!forward) LogMessage("Polygons directions does not match!");
  if (requireSamePlane) {
    PlaneX planeThis;
    PlaneX planeOther;
    if (!GetWorkingPlane(planeThis) || !other.GetWorkingPlane(planeOther)) return false;
    if (!Equal(planeThis, planeOther)) return false;
  }
  // Merged loop: from the run's end through this polygon's own vertices to the run's start, then
  // the other polygon's own vertices up to the run's end (exclusive).
  PolygonX merged;
  merged.CopyAttributes(*this);
  merged.vertexList.Clear();
  for (uint32_t k = 0; k <= n - shared + 1; ++k)
    merged.vertexList.Add(vertexList[(runEnd + k) % n]);
  const uint32_t stop = otherIndex[runEnd];
  const uint32_t step = forward ? 1 : otherCount - 1;
  for (uint32_t j = (start + step) % otherCount, guard = 0; j != stop && guard < otherCount;
       j = (j + step) % otherCount, ++guard) {
    merged.vertexList.Add(other.vertexList[j]);
  }
  if (merged.RemoveDuplicateVertices()) LogMessage("Polygon fixed");
  merged.planeCreated = false;
  if (!merged.CreatePlaneSafe() || !merged.IsAPolygon()) return false;
  vertexList = merged.vertexList;
  plane = merged.plane;
  planeCreated = true;
  return true;
}

float PolygonX::GetArea() const {
  const uint32_t n = vertexList.Size();
  if (n < 3) return 0.f;
  Vector3dX sum;
  const Vector3dX p0(vertexList[0].position);
  for (uint32_t i = 2; i < n; ++i) {
    sum = sum +
          Cross(Vector3dX(vertexList[i - 1].position) - p0, Vector3dX(vertexList[i].position) - p0);
  }
  return float(sum.Length() * 0.5);
}

// ---------------------------------------------------------------------------------------------
// PolygonLightX

void PolygonLightX::Reset(ArrayX<Vector3fX>* mainVertexList, uint32_t flags) {
  mMainVertexList = mainVertexList;
  mIndexListSize = 0;
  plane = PlaneX();
  mCollisionFlags = flags;
}

PolygonLightX& PolygonLightX::operator=(const PolygonX& pol) {
  KX_ASSERT(mMainVertexList, "PolygonLightX::operator =");
  KX_ASSERT(pol.vertexList.Size() <= sMaxNumberOfVertices, "PolygonLightX::operator =");
  uint32_t flags = 0;
  if (pol.surfaceFlags & 0x80000u) flags |= sFlagBit19;
  if (pol.surfaceFlags & 0x20u) flags |= sFlagBit5;
  Reset(mMainVertexList, flags);
  plane = pol.plane;
  if (!mMainVertexList) return *this;
  for (uint32_t i = 0; i < pol.vertexList.Size() && i < sMaxNumberOfVertices; ++i) {
    AddVertex(pol.vertexList[i].position);
  }
  return *this;
}

bool PolygonLightX::AddVertex(uint16_t index) {
  KX_ASSERT(mIndexListSize != sMaxNumberOfVertices, "PolygonLightX::AddVertex");
  if (mIndexListSize >= sMaxNumberOfVertices) return false;
  mIndexList[mIndexListSize++] = index;
  return true;
}

bool PolygonLightX::AddVertex(const Vector3fX& position) {
  KX_ASSERT(mMainVertexList, "PolygonLightX::AddVertex");
  if (!mMainVertexList) return false;
  ArrayX<Vector3fX>& list = *mMainVertexList;
  for (uint32_t i = 0; i < list.Size(); ++i) {
    if (list[i].IsSame(position)) return AddVertex(uint16_t(i));
  }
  // A new position needs a free index slot and must stay addressable by 16 bits.
  KX_ASSERT(mIndexListSize != sMaxNumberOfVertices, "PolygonLightX::AddVertex");
  if (mIndexListSize >= sMaxNumberOfVertices) return false;
  if (list.Size() >= sMaxMainVertices) {
    KX_ASSERT_MSG(false, "PolygonLightX::AddVertex", "mMainVertexList->Size() <= 65536");
    return false;
  }
  list.Add(position);
  return AddVertex(uint16_t(list.Size() - 1));
}

void PolygonLightX::RemoveIndex(uint32_t index) {
  KX_ASSERT(index < mIndexListSize, "PolygonLightX::RemoveIndex");
  if (index >= mIndexListSize) return;
  for (uint32_t i = index + 1; i < mIndexListSize; ++i) mIndexList[i - 1] = mIndexList[i];
  --mIndexListSize;
}

void PolygonLightX::CreatePlane() {
  if (mIndexListSize <= 2) return;
  const Vector3fX& p0 = GetVertex(0);
  plane.normal = Cross(GetVertex(1) - p0, GetVertex(2) - p0).Normalized();
  plane.d = Dot(plane.normal, p0);
}

Planes PolygonLightX::TestPointRelationToPolygon(const PlaneX& testPlane) const {
  Planes result = ONPLANE;
  for (uint32_t i = 0; i < mIndexListSize; ++i) {
    const Planes side = testPlane.TestPointRelationToPlane(GetVertex(i));
    if (side == ONPLANE) continue;
    if (result == ONPLANE) {
      result = side;
    } else if (side != result) {
      return SPANNINGPLANE;
    }
  }
  return result;
}

bool PolygonLightX::TestPointIntersection(const Vector3fX& point) const {
  if (mIndexListSize < 3) return false;
  // Without a plane the winding gives the normal.
  const Vector3fX normal = plane.IsValid()
                               ? plane.normal
                               : Cross(GetVertex(1) - GetVertex(0), GetVertex(2) - GetVertex(0));
  return FanSearchX::ContainsPoint(
      mIndexListSize, [this](uint32_t i) { return GetVertex(i); }, normal, point);
}

void PolygonLightX::GetPolygonAsTrianglePolygons(ArrayX<PolygonLightX*>& outList) const {
  KX_ASSERT(mIndexListSize > 2, "PolygonLightX::GetPolygonAsTrianglePolygons");
  if (mIndexListSize <= 2) return;
  for (uint32_t i = 2; i < mIndexListSize; ++i) {
    PolygonLightX* piece = new PolygonLightX(*this);
    piece->mIndexListSize = 0;
    piece->AddVertex(mIndexList[0]);
    piece->AddVertex(mIndexList[i - 1]);
    piece->AddVertex(mIndexList[i]);
    outList.Add(piece);
  }
}

namespace {
// True when the third and later points lie (in sum) closer than 0.001 to the line of the first two.
bool IsNeedleLoop(const Vector3fX* points, uint32_t count) {
  if (count < 3) return false;
  double sum = 0.0;
  for (uint32_t i = 2; i < count; ++i) {
    sum += Line3DFunctions::DistancePointLine(points[i], points[0], points[1]);
  }
  return sum < fLINE_EPSILON;
}

bool HasExactDuplicate(const Vector3fX* points, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    for (uint32_t j = i + 1; j < count; ++j) {
      if (points[i].IsSame(points[j])) return true;
    }
  }
  return false;
}

// One side of a split triangle: at most four corners.
struct SplitSideX {
  Vector3fX points[4];
  uint32_t count = 0;
  void Add(const Vector3fX& p) {
    if (count < 4) points[count++] = p;
  }
  bool IsNeedle() const { return IsNeedleLoop(points, count); }
  bool IsAPolygon() const { return count >= 3 && !HasExactDuplicate(points, count) && !IsNeedle(); }
};
}  // namespace

bool PolygonLightX::IsNeedle() const {
  Vector3fX points[sMaxNumberOfVertices];
  for (uint32_t i = 0; i < mIndexListSize; ++i) points[i] = GetVertex(i);
  return IsNeedleLoop(points, mIndexListSize);
}

bool PolygonLightX::IsAPolygon() const {
  if (mIndexListSize < 3) return false;
  Vector3fX points[sMaxNumberOfVertices];
  for (uint32_t i = 0; i < mIndexListSize; ++i) points[i] = GetVertex(i);
  if (HasExactDuplicate(points, mIndexListSize)) return false;
  return !IsNeedle();
}

Planes PolygonLightX::SplitPolygonByPlane(const PlaneX& splitPlane, PolygonLightX& front,
                                          PolygonLightX& back, PolygonLightX* frontSecond,
                                          PolygonLightX* backSecond) const {
  front.Reset(mMainVertexList, mCollisionFlags);
  back.Reset(mMainVertexList, mCollisionFlags);
  const Planes relation = TestPointRelationToPolygon(splitPlane);
  if (relation == BEHINDOFPLANE) {
    back = *this;
    return relation;
  }
  if (relation != SPANNINGPLANE) {
    front = *this;
    return relation;
  }
  SplitSideX frontSide;
  SplitSideX backSide;
  for (uint32_t i = 0; i < mIndexListSize; ++i) {
    const Vector3fX& a = GetVertex(i);
    const Vector3fX& b = GetVertex((i + 1) % mIndexListSize);
    const Planes sideA = splitPlane.TestPointRelationToPlane(a);
    const Planes sideB = splitPlane.TestPointRelationToPlane(b);
    if (sideA != BEHINDOFPLANE) frontSide.Add(a);
    if (sideA != FRONTOFPLANE) backSide.Add(a);
    if ((sideA == FRONTOFPLANE && sideB == BEHINDOFPLANE) ||
        (sideA == BEHINDOFPLANE && sideB == FRONTOFPLANE)) {
      Vector3fX cut;
      float t = 0.f;
      splitPlane.TestLineIntersect(a, b, cut, t);
      frontSide.Add(cut);
      backSide.Add(cut);
    }
  }
  // A needle piece is not worth keeping: the split is abandoned and the whole polygon stays on
  // the other side.
  if (frontSide.IsNeedle() || backSide.IsNeedle()) {
    if (frontSide.IsNeedle()) {
      back = *this;
    } else {
      front = *this;
    }
    const bool frontPolyIsAPoly = front.IsAPolygon();
    const bool backPolyIsAPoly = back.IsAPolygon();
    KX_ASSERT(frontPolyIsAPoly || backPolyIsAPoly, "PolygonLightX::SplitPolygonByPlane");
    return SPANNINGPLANE;
  }
  const bool frontPolyIsAPoly = frontSide.IsAPolygon();
  const bool backPolyIsAPoly = backSide.IsAPolygon();
  auto emit = [this](const SplitSideX& side, PolygonLightX& first, PolygonLightX* second) {
    if (side.count < 3) return;
    for (uint32_t i = 0; i < 3; ++i) first.AddVertex(side.points[i]);
    first.CreatePlane();
    if (side.count < 4) return;
    if (!second) {
      LogMessage("PolygonLightX split: second triangle of a four-corner piece dropped");
      return;
    }
    second->Reset(mMainVertexList, mCollisionFlags);
    second->AddVertex(side.points[0]);
    second->AddVertex(side.points[2]);
    second->AddVertex(side.points[3]);
    second->CreatePlane();
  };
  emit(frontSide, front, frontSecond);
  emit(backSide, back, backSecond);
  KX_ASSERT(frontPolyIsAPoly, "PolygonLightX::SplitPolygonByPlane");
  KX_ASSERT(backPolyIsAPoly, "PolygonLightX::SplitPolygonByPlane");
  return SPANNINGPLANE;
}
