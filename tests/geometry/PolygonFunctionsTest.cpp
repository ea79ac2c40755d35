// Polygon operations: point in polygon, corners, overlap and containment, cutting, splitting,
// merging, triangulation and subdivision.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ReportCaptureX.h"
#include "geometry/PolygonFunctionsX.h"
#include "tests/geometry/GeometryTestSupport.h"

using namespace geomtest;
using namespace PolygonFunctions;

namespace {
// A random plane through a point inside the polygon, not too close to any vertex.
bool RandomCuttingPlane(RandomGeometryX& random, const PolygonX& polygon, PlaneX& plane) {
  const uint32_t n = polygon.vertexList.Size();
  Vector3fX inside;
  float weightSum = 0.f;
  for (uint32_t i = 0; i < n; ++i) {
    const float w = random.Uniform(0.01f, 1.f);
    inside += polygon.vertexList[i].position * w;
    weightSum += w;
  }
  inside = inside * (1.f / weightSum);
  plane.normal = random.UnitVector();
  plane.d = Dot(plane.normal, inside);
  PlaneX polygonPlane;
  polygon.GetWorkingPlane(polygonPlane);
  if (std::fabs(Dot(plane.normal, polygonPlane.normal)) > 0.95f) return false;
  for (uint32_t i = 0; i < n; ++i) {
    if (std::fabs(plane.Distance(polygon.vertexList[i].position)) < 1e-3f) return false;
  }
  return true;
}
}  // namespace

// The polygon's own point test counts the boundary as inside; the free one does so when asked.
TEST(PolygonPointTest, UnitSquareBoundaryAtTheToleranceScale) {
  PolygonX square = Square(0, 0, 1, 1);
  ASSERT_TRUE(square.CreatePlaneSafe());
  enum { In, Boundary, Out };
  const std::pair<Vector3fX, int> points[] = {
      {{0.5f, 0.5f, 0}, In},     {{0.3f, 0.6f, 0}, In},    {{0, 0, 0}, Boundary},
      {{0.5f, 0, 0}, Boundary},  {{0, 0.5f, 0}, Boundary}, {{0.5f, 1e-5f, 0}, In},
      {{1, 0.25f, 0}, Boundary}, {{0.5f, -2e-5f, 0}, Out}, {{-2e-5f, 0.5f, 0}, Out},
      {{1.5f, 0.5f, 0}, Out},
  };
  for (const auto& [point, where] : points) {
    SCOPED_TRACE(testing::Message() << point.x << "," << point.y);
    EXPECT_EQ(square.TestPointIntersection(point), where != Out);
    EXPECT_EQ(TestPointIntersection(square, point, true), where != Out);
    EXPECT_EQ(TestPointIntersection(square, point, false), where == In);
  }
  float t = 0.f;
  Vector3fX hit;
  EXPECT_TRUE(square.TestLineIntersect({0.25f, 0.25f, 1}, {0.25f, 0.25f, -1}, t, hit));
  EXPECT_FLOAT_EQ(t, 0.5f);
  EXPECT_FALSE(square.TestLineIntersect({2, 2, 1}, {2, 2, -1}, t, hit));
}

// Random convex polygons, unit-sized and map-sized far from the origin: corners and edge points
// are inside and points just outside an edge are not, for the polygon's own test and the free
// one; random points in the plane agree with a reference unless they lie close to an edge.
TEST(PolygonPointTest, RandomConvexPolygonsAgainstTheirEdges) {
  const struct {
    uint32_t seed;
    int rounds;
    float scale, outside;
    Vector3fX shift;
  } cases[] = {{11, 2000, 1.f, 2e-4f, {0, 0, 0}}, {31, 500, 300.f, 0.01f, {2000, -1500, 800}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    RandomGeometryX random(c.seed);
    auto place = [&](const Vector3fX& p) { return p * c.scale + c.shift; };
    for (int round = 0; round < c.rounds; ++round) {
      FrameX frame;
      PolygonX polygon = random.ConvexPolygon(frame);
      for (VertexX& v : polygon.vertexList) v.position = place(v.position);
      ASSERT_TRUE(polygon.CreatePlaneSafe());
      EXPECT_TRUE(TestPointIntersection(polygon, polygon.GetCenter(), false));
      EXPECT_TRUE(TestPointIntersection(polygon, polygon.GetCenterSafe(), true));
      const uint32_t n = polygon.vertexList.Size();
      for (uint32_t i = 0; i < n; ++i) {
        const Vector3fX& a = polygon.vertexList[i].position;
        const Vector3fX& b = polygon.vertexList[(i + 1) % n].position;
        const Vector3fX onEdge = a + (b - a) * random.Uniform(0.05f, 0.95f);
        const Vector3fX outside = onEdge + Cross(b - a, frame.n).Normalized() * c.outside;
        for (const Vector3fX& p : {a, onEdge}) {
          EXPECT_TRUE(polygon.TestPointIntersection(p));
          EXPECT_TRUE(TestPointIntersection(polygon, p, true));
        }
        EXPECT_FALSE(polygon.TestPointIntersection(outside));
        EXPECT_FALSE(TestPointIntersection(polygon, outside, true));
      }
      for (int k = 0; k < 10; ++k) {
        const Vector3fX p = place(frame.At(random.Uniform(-5, 5), random.Uniform(-5, 5)));
        const bool inside = ReferenceInside(polygon, frame.n, p, 0.f);
        if (inside != ReferenceInside(polygon, frame.n, p, 1e-4f * c.scale)) continue;
        EXPECT_EQ(polygon.TestPointIntersection(p), inside);
        EXPECT_EQ(TestPointIntersection(polygon, p, true), inside);
      }
    }
  }
}

TEST(PolygonCornerTest, LineVerticesAreNotCorners) {
  PolygonX square = Square(0, 0, 2, 2);
  square.vertexList.Insert(1, MakeVertex(0.5f, 0));
  square.vertexList.Insert(2, MakeVertex(1.5f, 0));
  square.vertexList.Insert(4, MakeVertex(2, 1));
  square.vertexList.Add(MakeVertex(0, 1));  // on the closing edge
  ArrayX<uint32_t> corners;
  GetIndexsWithoutLineVertices(square, corners);
  ASSERT_EQ(corners.Size(), 4u);
  EXPECT_EQ(corners[0], 0u);
  EXPECT_EQ(corners[1], 3u);
  EXPECT_EQ(corners[2], 5u);
  EXPECT_EQ(corners[3], 6u);
  uint32_t first = 0, last = 0;
  EXPECT_TRUE(HasLineVertices(square, 1, first, last));
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(last, 3u);
  EXPECT_FALSE(HasLineVertices(square, 5, first, last));
  uint32_t i0 = 0, i1 = 0;
  EXPECT_FLOAT_EQ(GetMaxLengthEdge(square, i0, i1), 4.f);
  EXPECT_EQ(i0, 5u);
  EXPECT_EQ(i1, 6u);
}

// Cutting leaves the pieces of the second polygon outside the first (none when nothing is cut
// away). Fixing an overlap: a polygon that contains the other (boundary included) replaces
// both, before any cutting; otherwise the pieces of the second outside the first, then the first.
TEST(PolygonOverlapTest, CuttingAndFixingSquares) {
  ReportCaptureX capture;
  const PolygonX square = Square(0, 0, 1, 1);
  const PolygonX cutter = Square(0, 0, 0.5f, 1);
  ArrayX<PolygonX> halves;
  TriangulatePolygon(square, halves);
  ASSERT_EQ(halves.Size(), 2u);
  enum { Cut, Fix };
  const struct {
    int op;
    PolygonX first, second;
    bool changed;
    uint32_t pieces;
    float area;
  } cases[] = {
      {Cut, cutter, square, true, 1, 0.5f},
      {Cut, square, Square(0, 0, 1, 1), false, 0, 0},
      {Cut, cutter, Square(3, 0, 4, 1), false, 0, 0},
      {Cut, Square(0.4f, -1, 0.6f, 2), square, true, 2, 0.8f},  // a cross: the middle goes
      {Fix, cutter, square, true, 1, 1},
      {Fix, cutter, Square(0.25f, 0, 1, 1), true, 2, 1},
      {Fix, square, Square(0.25f, 0.25f, 0.75f, 0.75f), true, 1, 1},
      {Fix, halves[0], halves[1], false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ArrayX<PolygonX> pieces;
    EXPECT_EQ(c.op == Cut ? CutPolygonWithPolygon(c.first, c.second, pieces)
                          : FixOverlappingPolygons(c.first, c.second, pieces),
              c.changed);
    ASSERT_EQ(pieces.Size(), c.pieces);
    EXPECT_NEAR(TotalArea(pieces), c.area, 1e-5f);
    for (uint32_t i = 0; i < pieces.Size(); ++i) {
      EXPECT_TRUE(pieces[i].IsAPolygon());
      EXPECT_TRUE(pieces[i].IsCCW());
      EXPECT_GT(Dot(TurnNormal(pieces[i]), Vector3fX(0, 0, 1)), 0.f);
      if (c.op == Cut || i + 1 < pieces.Size()) {
        EXPECT_FALSE(TestPointIntersection(c.first, pieces[i].GetCenterSafe(), false));
      } else if (pieces.Size() > 1) {
        EXPECT_NEAR(pieces[i].GetArea(), c.first.GetArea(), 1e-5f);
      }
    }
  }

  const PolygonX twin = Square(0, 0, 1, 1);
  EXPECT_FALSE(Overlappes(square, twin));
  EXPECT_FALSE(Overlappes(twin, square));
  EXPECT_TRUE(ContainsPolygon(square, twin));
  EXPECT_TRUE(ContainsPolygon(twin, square));
  EXPECT_FALSE(ContainsPolygonNoBoundary(square, twin));
  EXPECT_FALSE(ContainsPolygonNoBoundary(twin, square));
  EXPECT_TRUE(ContainsPolygonNoBoundary(square, Square(0.25f, 0.25f, 0.75f, 0.75f)));
  EXPECT_FALSE(Overlappes(halves[0], halves[1]));
  EXPECT_TRUE(Intersects(square, cutter));
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
  PolygonX tilted = MakePolygon({{0, 0, 0}, {1, 0, 1}, {0, 1, 0}});
  EXPECT_TRUE(Intersects(square, tilted));
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "Not done yet"), 1u);
}

TEST(PolygonSplitTest, HalvesCoverTheInputAndLieOnTheirSides) {
  ReportCaptureX capture;
  RandomGeometryX random(2024);
  int splits = 0;
  for (int round = 0; round < 3000; ++round) {
    FrameX frame;
    PolygonX polygon = random.ConvexPolygon(frame);
    polygon.tag = uint32_t(round);
    polygon.SetSurfaceFlags(1, 2);
    ASSERT_TRUE(polygon.CreatePlaneSafe());
    PlaneX plane;
    if (!RandomCuttingPlane(random, polygon, plane)) continue;
    PolygonX front, back;
    ASSERT_EQ(SplitPolygonByPlane(polygon, plane, front, back), FRONTOFPLANE);
    ++splits;
    EXPECT_NEAR(front.GetArea() + back.GetArea(), polygon.GetArea(), 1e-4f * polygon.GetArea());
    for (const VertexX& v : front.vertexList) EXPECT_GE(plane.Distance(v.position), -1e-4f);
    for (const VertexX& v : back.vertexList) EXPECT_LE(plane.Distance(v.position), 1e-4f);
    EXPECT_TRUE(front.IsAPolygon());
    EXPECT_TRUE(back.IsAPolygon());
    EXPECT_GT(Dot(TurnNormal(front), frame.n), 0.f);
    EXPECT_GT(Dot(TurnNormal(back), frame.n), 0.f);
    EXPECT_EQ(front.tag, polygon.tag);
    EXPECT_EQ(back.surfaceFlags, polygon.surfaceFlags);
    // Texture coordinates follow the in-plane position (they were generated equal to it).
    for (const PolygonX* piece : {&front, &back}) {
      for (const VertexX& v : piece->vertexList) {
        const Vector3fX local = v.position - frame.origin;
        EXPECT_NEAR(v.texCoord.u, Dot(local, frame.u), 2e-3f);
        EXPECT_NEAR(v.texCoord.v, Dot(local, frame.v), 2e-3f);
      }
    }
    // The halves merge back into a convex polygon of the summed area.
    PolygonX merged = front;
    ASSERT_TRUE(merged.MergePolygon(back, true));
    EXPECT_TRUE(merged.IsAPolygon());
    EXPECT_NEAR(merged.GetArea(), polygon.GetArea(), 1e-4f * polygon.GetArea());
  }
  EXPECT_GT(splits, 2000);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);

  // Wholly on one side: copied whole.
  PolygonX square = Square(0, 0, 1, 1);
  PolygonX front, back;
  EXPECT_EQ(SplitPolygonByPlane(square, PlaneX(Vector3fX(1, 0, 0), -1.f), front, back), ONPLANE);
  EXPECT_EQ(front.vertexList.Size(), 4u);
  EXPECT_EQ(SplitPolygonByPlane(square, PlaneX(Vector3fX(1, 0, 0), 2.f), front, back),
            BEHINDOFPLANE);
  EXPECT_EQ(back.vertexList.Size(), 4u);
  EXPECT_EQ(SplitPolygonByPlane(square, PlaneX(Vector3fX(0, 0, 1), 0.f), front, back), ONPLANE);
}

TEST(PolygonTriangulateTest, ConvexPolygonsKeepAreaAndWinding) {
  ReportCaptureX capture;
  RandomGeometryX random(77);
  for (int round = 0; round < 3000; ++round) {
    FrameX frame;
    PolygonX polygon = random.ConvexPolygon(frame, 12);
    polygon.tag = 9;
    polygon.colour = 0xFF123456u;
    ASSERT_TRUE(polygon.CreatePlaneSafe());
    ArrayX<PolygonX> triangles;
    TriangulatePolygon(polygon, triangles);
    ASSERT_EQ(triangles.Size(), polygon.vertexList.Size() - 2);
    EXPECT_NEAR(TotalArea(triangles), polygon.GetArea(), 1e-4f * polygon.GetArea());
    for (const PolygonX& t : triangles) {
      ASSERT_EQ(t.vertexList.Size(), 3u);
      EXPECT_TRUE(t.IsAPolygon());
      EXPECT_GT(Dot(TurnNormal(t), frame.n), 0.f);
      EXPECT_EQ(t.tag, 9u);
      EXPECT_EQ(t.colour, 0xFF123456u);
      EXPECT_TRUE(ContainsPolygon(polygon, t));
    }
    ArrayX<PolygonX> safe;
    polygon.TriangulateSafe(safe);
    EXPECT_EQ(safe.Size(), triangles.Size());
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonTriangulateTest, NonConvexShapes) {
  ReportCaptureX capture;
  // An L, and combs of unit teeth one apart on a base of height 1 (2 teeth: a U).
  std::vector<std::pair<PolygonX, float>> shapes = {
      {MakePolygon({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}), 3.f}};
  for (int teeth : {2, 3, 6}) {
    PolygonX comb = MakePolygon({{0, 0, 0}, {float(2 * teeth - 1), 0, 0}});
    for (int t = teeth - 1; t >= 0; --t) {
      comb.vertexList.Add(MakeVertex(float(2 * t + 1), 2));
      comb.vertexList.Add(MakeVertex(float(2 * t), 2));
      if (t > 0) comb.vertexList.Add(MakeVertex(float(2 * t), 1));
      if (t > 0) comb.vertexList.Add(MakeVertex(float(2 * t - 1), 1));
    }
    shapes.emplace_back(comb, float(3 * teeth - 1));
  }
  for (auto& [shape, area] : shapes) {
    SCOPED_TRACE(shape.vertexList.Size());
    shape.plane = PlaneX(Vector3fX(0, 0, 1), 0.f);
    shape.planeCreated = true;
    ArrayX<PolygonX> triangles;
    TriangulatePolygonNonConvex(shape, triangles);
    ASSERT_EQ(triangles.Size(), shape.vertexList.Size() - 2);
    EXPECT_NEAR(TotalArea(triangles), area, 1e-5f);
    for (const PolygonX& t : triangles) {
      EXPECT_GT(Dot(TurnNormal(t), Vector3fX(0, 0, 1)), 0.f);
      const Vector3fX centroid =
          (t.vertexList[0].position + t.vertexList[1].position + t.vertexList[2].position) *
          (1.f / 3.f);
      EXPECT_TRUE(TestPointIntersection(shape, centroid, true));
    }
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonTriangulateTest, RandomStarShapedPolygons) {
  ReportCaptureX capture;
  RandomGeometryX random(909);
  for (int round = 0; round < 2000; ++round) {
    const FrameX frame = random.Frame();
    const std::vector<float> angles = random.SpacedAngles(5, 14, 2.5f);
    const uint32_t n = uint32_t(angles.size());
    PolygonX star;
    for (float angle : angles) {
      const float radius = random.Uniform(0.5f, 3.f);
      VertexX v;
      v.position = frame.At(radius * std::cos(angle), radius * std::sin(angle));
      star.vertexList.Add(v);
    }
    star.plane = PlaneX(frame.n, Dot(frame.n, frame.origin));
    star.planeCreated = true;
    ArrayX<PolygonX> triangles;
    TriangulatePolygonNonConvex(star, triangles);
    ASSERT_EQ(triangles.Size(), n - 2) << round;
    EXPECT_NEAR(TotalArea(triangles), star.GetArea(), 1e-4f * star.GetArea()) << round;
    for (const PolygonX& t : triangles) EXPECT_GT(Dot(TurnNormal(t), frame.n), 0.f) << round;
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonSubdivideTest, NoEdgeAboveTheLimitAndAreaKept) {
  ReportCaptureX capture;
  PolygonX triangle = MakePolygon({{0, 0, 0}, {10, 0, 0}, {0, 7, 0}});
  triangle.vertexList[1].texCoord = {1, 0};
  ArrayX<PolygonX> pieces;
  SubdividePolygon(triangle, pieces, 2.f);
  EXPECT_GT(pieces.Size(), 10u);
  EXPECT_NEAR(TotalArea(pieces), 35.f, 1e-3f);
  for (const PolygonX& p : pieces) {
    uint32_t a = 0, b = 0;
    EXPECT_LE(GetMaxLengthEdge(p, a, b), 4.f);
    EXPECT_GT(Dot(TurnNormal(p), Vector3fX(0, 0, 1)), 0.f);
    for (const VertexX& v : p.vertexList) EXPECT_NEAR(v.texCoord.u, v.position.x / 10.f, 1e-5f);
  }
  ArrayX<PolygonX> refused;
  SubdividePolygon(triangle, refused, 0.f);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "maxEdgeLength > 0"), 1u);
}
