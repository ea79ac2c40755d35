#include "geometry/PlaneX.h"

#include "engine/ReportHooksX.h"

namespace {
template <class T>
Planes Classify(T distance, T eps) {
  if (distance > eps) return FRONTOFPLANE;
  if (distance < -eps) return BEHINDOFPLANE;
  return ONPLANE;
}
bool NormalIsZero(double x, double y, double z) {
  return IsZero(x, dORDER_EPSILON) && IsZero(y, dORDER_EPSILON) && IsZero(z, dORDER_EPSILON);
}
}  // namespace

Planes PlaneX::TestPointRelationToPlane(const Vector3fX& point, float eps) const {
  return Classify(Distance(point), eps);
}

bool PlaneX::TestLineIntersect(const Vector3fX& start, const Vector3fX& end, Vector3fX& outPoint,
                               float& outT) const {
  const Planes startSide = TestPointRelationToPlane(start);
  const Planes endSide = TestPointRelationToPlane(end);
  if (startSide == endSide) return false;
  if (startSide == ONPLANE) {
    outT = 0.f;
    return false;
  }
  if (endSide == ONPLANE) {
    outT = 1.f;
    return false;
  }
  const Vector3dX n(normal);
  const Vector3dX s(start);
  const Vector3dX dir = Vector3dX(end) - s;
  const double t = (double(d) - Dot(n, s)) / Dot(n, dir);
  outT = float(t);
  outPoint = (s + dir * t).ToFloat();
  return true;
}

Vector3fX PlaneX::ProjectPoint(const Vector3fX& point) const {
  const float distance = Distance(point);
  if (IsZero(distance)) return point;
  return point - normal * distance;
}

bool PlaneX::IsPointOnPlane(const Vector3fX& point, float eps) const {
  return !(std::fabs(Distance(point)) > eps);
}

bool PlaneX::IsValid() const { return !NormalIsZero(normal.x, normal.y, normal.z); }

bool Equal(const PlaneX& a, const PlaneX& b, float eps) {
  return Equal(a.d, b.d, eps) && Equal(a.normal, b.normal, eps);
}

Planes PlaneDoubleX::TestPointRelationToPlane(const Vector3fX& point, double eps) const {
  return Classify(Distance(point), eps);
}

bool PlaneDoubleX::IsValid() const { return !NormalIsZero(normal.x, normal.y, normal.z); }

VertexX PlaneDoubleX::IntersectEdgeAgainstPlane(const VertexX& a, const VertexX& b) const {
  const Vector3dX pa(a.position);
  const Vector3dX ab = Vector3dX(b.position) - pa;
  const double t = (d - Dot(normal, pa)) / Dot(normal, ab);
  if (IsZero(t, double(fEPSILON2))) return a;
  if (IsZero(t - 1.0, double(fEPSILON2))) return b;
  VertexX result = a;
  const Vector3dX point = pa + ab * t;
  result.position = point.ToFloat();
  const double lengthAB = ab.Length();
  const double lengthAI = (point - pa).Length();
  KX_ASSERT(!IsZero(lengthAB) && !IsZero(lengthAI), "PlaneDoubleX::IntersectEdgeAgainstPlane");
  if (lengthAB > 0.0) {
    const double f = lengthAI / lengthAB;
    result.texCoord.u = float(a.texCoord.u + (b.texCoord.u - a.texCoord.u) * f);
    result.texCoord.v = float(a.texCoord.v + (b.texCoord.v - a.texCoord.v) * f);
  }
  return result;
}
