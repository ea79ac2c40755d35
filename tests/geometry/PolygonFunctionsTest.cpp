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

TEST(PolygonPointTest, BoundaryModesOnSquaresAndConcaveShapes) {
  const PolygonX square = Square(0, 0, 1, 1);
  for (bool boundary : {true, false}) {
    EXPECT_TRUE(TestPointIntersection(square, {0.5f, 0.5f, 0}, boundary));
    EXPECT_TRUE(TestPointIntersection(square, {0.3f, 0.6f, 0}, boundary));
    EXPECT_EQ(TestPointIntersection(square, {0, 0, 0}, boundary), boundary);
    EXPECT_FALSE(TestPointIntersection(square, {0.5f, -2e-5f, 0}, boundary));
    EXPECT_FALSE(TestPointIntersection(square, {1.5f, 0.5f, 0}, boundary));
  }
  EXPECT_TRUE(TestPointIntersection(square, {0.5f, 0, 0}, true));
  EXPECT_TRUE(TestPointIntersection(square, {0.5f, 1e-5f, 0}, true));
  EXPECT_TRUE(TestPointIntersection(square, {1, 0.25f, 0}, true));

  RandomGeometryX random(3);
  for (int round = 0; round < 1000; ++round) {
    FrameX frame;
    PolygonX polygon = random.ConvexPolygon(frame);
    ASSERT_TRUE(polygon.CreatePlaneSafe());
    EXPECT_TRUE(TestPointIntersection(polygon, polygon.GetCenter(), false));
    EXPECT_TRUE(TestPointIntersection(polygon, polygon.GetCenterSafe(), true));
    const uint32_t n = polygon.vertexList.Size();
    for (uint32_t i = 0; i < n; ++i) {
      const Vector3fX& a = polygon.vertexList[i].position;
      const Vector3fX& b = polygon.vertexList[(i + 1) % n].position;
      EXPECT_TRUE(TestPointIntersection(polygon, a, true));
      EXPECT_TRUE(TestPointIntersection(polygon, a + (b - a) * 0.37f, true));
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

TEST(PolygonOverlapTest, DescribedSquareCases) {
  ReportCaptureX capture;
  const PolygonX square = Square(0, 0, 1, 1);
  const PolygonX cutter = Square(0, 0, 0.5f, 1);
  ArrayX<PolygonX> pieces;
  EXPECT_TRUE(CutPolygonWithPolygon(cutter, square, pieces));
  ASSERT_EQ(pieces.Size(), 1u);
  EXPECT_NEAR(pieces[0].GetArea(), 0.5f, 1e-5f);
  EXPECT_TRUE(pieces[0].IsCCW());
  EXPECT_TRUE(Dot(TurnNormal(pieces[0]), Vector3fX(0, 0, 1)) > 0.f);
  for (const VertexX& v : pieces[0].vertexList) EXPECT_GE(v.position.x, 0.5f - 1e-6f);
  // The square contains the cutter (its boundary included), so the containment step answers
  // before any cutting: the square alone replaces both.
  ArrayX<PolygonX> fixed;
  EXPECT_TRUE(FixOverlappingPolygons(cutter, square, fixed));
  ASSERT_EQ(fixed.Size(), 1u);
  EXPECT_NEAR(fixed[0].GetArea(), 1.f, 1e-5f);
  // Partly overlapping squares: the pieces of the second outside the first, then the first.
  ArrayX<PolygonX> shifted;
  EXPECT_TRUE(FixOverlappingPolygons(cutter, Square(0.25f, 0, 1, 1), shifted));
  ASSERT_EQ(shifted.Size(), 2u);
  EXPECT_NEAR(shifted[0].GetArea(), 0.5f, 1e-5f);
  EXPECT_NEAR(shifted[1].GetArea(), 0.5f, 1e-5f);

  const PolygonX twin = Square(0, 0, 1, 1);
  EXPECT_FALSE(Overlappes(square, twin));
  EXPECT_FALSE(Overlappes(twin, square));
  EXPECT_TRUE(ContainsPolygon(square, twin));
  EXPECT_TRUE(ContainsPolygon(twin, square));
  EXPECT_FALSE(ContainsPolygonNoBoundary(square, twin));
  EXPECT_FALSE(ContainsPolygonNoBoundary(twin, square));
  ArrayX<PolygonX> none;
  EXPECT_FALSE(CutPolygonWithPolygon(square, twin, none));
  EXPECT_TRUE(none.Empty());

  const PolygonX inner = Square(0.25f, 0.25f, 0.75f, 0.75f);
  EXPECT_TRUE(ContainsPolygonNoBoundary(square, inner));
  ArrayX<PolygonX> outerOnly;
  EXPECT_TRUE(FixOverlappingPolygons(square, inner, outerOnly));
  ASSERT_EQ(outerOnly.Size(), 1u);
  EXPECT_NEAR(outerOnly[0].GetArea(), 1.f, 1e-5f);

  ArrayX<PolygonX> halves;
  TriangulatePolygon(square, halves);
  ASSERT_EQ(halves.Size(), 2u);
  EXPECT_FALSE(Overlappes(halves[0], halves[1]));
  ArrayX<PolygonX> untouched;
  EXPECT_FALSE(FixOverlappingPolygons(halves[0], halves[1], untouched));
  EXPECT_TRUE(untouched.Empty());

  // A polygon wholly outside the cutter is appended once at most, and not at all when uncut.
  ArrayX<PolygonX> outside;
  EXPECT_FALSE(CutPolygonWithPolygon(cutter, Square(3, 0, 4, 1), outside));
  EXPECT_TRUE(outside.Empty());
  // A cross: the cutter's band removes the middle, leaving two pieces.
  ArrayX<PolygonX> cross;
  EXPECT_TRUE(CutPolygonWithPolygon(Square(0.4f, -1, 0.6f, 2), square, cross));
  EXPECT_NEAR(TotalArea(cross), 0.8f, 1e-5f);
  EXPECT_EQ(cross.Size(), 2u);
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
  const PolygonX shapes[] = {
      // L
      MakePolygon({{0, 0, 0}, {2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}),
      // U
      MakePolygon(
          {{0, 0, 0}, {3, 0, 0}, {3, 2, 0}, {2, 2, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}}),
      // comb with three teeth
      MakePolygon({{0, 0, 0},
                   {5, 0, 0},
                   {5, 2, 0},
                   {4, 2, 0},
                   {4, 1, 0},
                   {3, 1, 0},
                   {3, 2, 0},
                   {2, 2, 0},
                   {2, 1, 0},
                   {1, 1, 0},
                   {1, 2, 0},
                   {0, 2, 0}}),
  };
  const float areas[] = {3.f, 5.f, 8.f};
  for (int s = 0; s < 3; ++s) {
    PolygonX shape = shapes[s];
    shape.plane = PlaneX(Vector3fX(0, 0, 1), 0.f);
    shape.planeCreated = true;
    ArrayX<PolygonX> triangles;
    TriangulatePolygonNonConvex(shape, triangles);
    ASSERT_EQ(triangles.Size(), shape.vertexList.Size() - 2) << s;
    EXPECT_NEAR(TotalArea(triangles), areas[s], 1e-5f);
    for (const PolygonX& t : triangles) {
      EXPECT_GT(Dot(TurnNormal(t), Vector3fX(0, 0, 1)), 0.f);
      const Vector3fX centroid =
          (t.vertexList[0].position + t.vertexList[1].position + t.vertexList[2].position) *
          (1.f / 3.f);
      EXPECT_TRUE(TestPointIntersection(shape, centroid, true)) << s;
    }
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonTriangulateTest, RandomStarShapedPolygons) {
  ReportCaptureX capture;
  RandomGeometryX random(909);
  for (int round = 0; round < 2000; ++round) {
    const FrameX frame = random.Frame();
    const int n = random.Int(5, 14);
    std::vector<float> angles;
    for (;;) {
      angles.clear();
      for (int i = 0; i < n; ++i) angles.push_back(random.Uniform(0.f, 6.2831853f));
      std::sort(angles.begin(), angles.end());
      bool spaced = true;
      for (int i = 0; i < n; ++i) {
        const float next = i + 1 < n ? angles[i + 1] : angles[0] + 6.2831853f;
        spaced = spaced && next - angles[i] > 0.15f && next - angles[i] < 2.5f;
      }
      if (spaced) break;
    }
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
    ASSERT_EQ(triangles.Size(), uint32_t(n - 2)) << round;
    EXPECT_NEAR(TotalArea(triangles), star.GetArea(), 1e-4f * star.GetArea()) << round;
    for (const PolygonX& t : triangles) EXPECT_GT(Dot(TurnNormal(t), frame.n), 0.f) << round;
  }
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonPointTest, EdgePointsOfMapSizedPolygonsAreInside) {
  RandomGeometryX random(31);
  for (int round = 0; round < 500; ++round) {
    FrameX frame;
    PolygonX polygon = random.ConvexPolygon(frame);
    for (VertexX& v : polygon.vertexList)
      v.position = v.position * 300.f + Vector3fX(2000, -1500, 800);
    ASSERT_TRUE(polygon.CreatePlaneSafe());
    const uint32_t count = polygon.vertexList.Size();
    for (uint32_t i = 0; i < count; ++i) {
      const Vector3fX& a = polygon.vertexList[i].position;
      const Vector3fX& b = polygon.vertexList[(i + 1) % count].position;
      const Vector3fX onEdge = a + (b - a) * random.Uniform(0.1f, 0.9f);
      EXPECT_TRUE(polygon.TestPointIntersection(onEdge));
      EXPECT_TRUE(TestPointIntersection(polygon, onEdge, true));
      const Vector3fX outward = Cross(b - a, polygon.plane.normal).Normalized();
      EXPECT_FALSE(polygon.TestPointIntersection(onEdge + outward * 0.01f));
      EXPECT_FALSE(TestPointIntersection(polygon, onEdge + outward * 0.01f, true));
    }
  }
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
