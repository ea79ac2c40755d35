#include "geometry/EdgeX.h"

#include "engine/ReportHooksX.h"
#include "geometry/PolygonFunctionsX.h"

EdgeX::EdgeX(uint8_t v0Index, uint8_t v1Index, PolygonX* polygon)
    : mFirstIndex0(v0Index), mFirstIndex1(v1Index), mPolygonFirst(polygon), mSwapped(0) {
  KX_ASSERT(v0Index < INVALID8 && v1Index < INVALID8, "EdgeX::EdgeX");
  const uint32_t count = polygon ? polygon->vertexList.Size() : 0;
  KX_ASSERT(v0Index < count && v1Index < count, "EdgeX::EdgeX");
  if (v0Index >= count || v1Index >= count) return;
  const VertexX& v0 = polygon->vertexList[v0Index];
  const VertexX& v1 = polygon->vertexList[v1Index];
  if (v1 < v0) {
    mStart = v1.position;
    mEnd = v0.position;
    mSwapped = 1;
  } else {
    mStart = v0.position;
    mEnd = v1.position;
  }
}

void EdgeX::AddPolygon(PolygonX* polygon, uint8_t firstIndex, uint8_t secondIndex) {
  KX_ASSERT(mPolygonLast || mPolygonFirst, "EdgeX::AddPolygon");
  if (!mPolygonLast) {
    mPolygonLast = polygon;
    mLastIndex0 = firstIndex;
    mLastIndex1 = secondIndex;
  } else {
    mPolygonFirst = polygon;
    mFirstIndex0 = firstIndex;
    mFirstIndex1 = secondIndex;
  }
}

bool EdgeX::IsBoundary() const {
  KX_ASSERT(mPolygonFirst || mPolygonLast, "EdgeX::IsBoundary");
  return (mPolygonFirst == nullptr) != (mPolygonLast == nullptr);
}

PlaneX EdgeX::GetInWardFacingPlane() const {
  PlaneX inWardPlane;
  KX_ASSERT(mPolygonFirst, "EdgeX::GetInWardFacingPlane");
  if (!mPolygonFirst) return inWardPlane;
  PlaneX polygonPlane;
  mPolygonFirst->GetWorkingPlane(polygonPlane);
  const Vector3fX& n = polygonPlane.normal;
  const Vector3fX e = (GetEnd() - GetStart()).Normalized();
  Vector3fX normal(n.y * e.z - n.z * e.y, n.z * e.x - n.x * e.z, n.x * e.y - n.y * e.x);
  normal.Normalize();
  inWardPlane.normal = normal;
  inWardPlane.d = Dot(normal, GetStart());
  for (uint32_t i = 0; i < mPolygonFirst->vertexList.Size(); ++i) {
    KX_ASSERT(inWardPlane.TestPointRelationToPlane(mPolygonFirst->vertexList[i].position, 0.001f) !=
                  Planes::FRONTOFPLANE,
              "EdgeX::GetInWardFacingPlane");
  }
  return inWardPlane;
}

bool EdgeX::IsNearEdge(const EdgeX& edge, float& outDistance) const {
  const ClosestPointsX closest =
      Line3DFunctions::ClosestPointsSegments(mStart, mEnd, edge.mStart, edge.mEnd);
  outDistance = float(closest.distance);
  return outDistance < fLINE_EPSILON;
}

bool EdgeX::IsSameEdge(const EdgeX& edge) const {
  const bool same = Equal(mStart, edge.mStart) && Equal(mEnd, edge.mEnd);
  const bool opposite = Equal(mStart, edge.mEnd) && Equal(mEnd, edge.mStart);
  return same || opposite;
}

bool EdgeX::operator==(const EdgeX& other) const {
  return mSwapped != other.mSwapped && Equal(mStart, other.mStart, fEDGE_EPSILON) &&
         Equal(mEnd, other.mEnd, fEDGE_EPSILON);
}

bool EdgeX::operator<(const EdgeX& other) const {
  const float a[6] = {mStart.x, mStart.y, mStart.z, mEnd.x, mEnd.y, mEnd.z};
  const float b[6] = {other.mStart.x, other.mStart.y, other.mStart.z,
                      other.mEnd.x,   other.mEnd.y,   other.mEnd.z};
  for (int i = 0; i < 6; ++i) {
    if (!Equal(a[i], b[i], fEDGE_EPSILON)) return a[i] < b[i];
  }
  return !mSwapped && other.mSwapped;
}
