// Vectors, planes, vertices, polygons, compact polygons, edges and bounding boxes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ReportCaptureX.h"
#include "geometry/BoundingVolumesX.h"
#include "geometry/EdgeX.h"
#include "geometry/PolygonX.h"
#include "tests/geometry/GeometryTestSupport.h"

using namespace geomtest;

TEST(GeometryTolerance, ComparisonsUseAbsoluteToleranceAndTreatNaNAsEqual) {
  EXPECT_TRUE(Equal(1.0f, 1.0f + 0.9e-5f));
  EXPECT_FALSE(Equal(1.0f, 1.0f + 1.2e-5f));
  EXPECT_TRUE(Equal(std::nanf(""), 0.f));
  EXPECT_TRUE(IsZero(1e-3, 1e-2));
  EXPECT_TRUE(LessEqual(1.00001f, 1.0f, 1e-4f));
  EXPECT_FALSE(GreaterEqual(0.9f, 1.0f));
  EXPECT_TRUE(Equal(Vector3fX(1, 2, 3), Vector3fX(1, 2, 3.000005f)));
  EXPECT_FALSE(IsZero(Vector3fX(0, 0, 2e-5f)));
}

TEST(GeometryTolerance, VectorAndVertexOrderingIsExact) {
  EXPECT_TRUE(Vector3fX(0, 5, 5) < Vector3fX(1, 0, 0));
  EXPECT_TRUE(Vector3fX(1, 0, 0) < Vector3fX(1, 0, 1e-14f));
  EXPECT_FALSE(Vector3fX(1, 0, 0) < Vector3fX(1, 0, 1e-16f));  // below the ordering tolerance
  EXPECT_FALSE(Vector3fX(1, 2, 3) < Vector3fX(1, 2, 3));
  VertexX a = MakeVertex(1, 2, 3);
  VertexX b = a;
  EXPECT_TRUE(a == b);
  b.texCoord.v = 0.5f;
  EXPECT_TRUE(a < b);
  b = a;
  b.colour = 0xFF000001u;  // first colour byte in memory differs
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(a == b);
}

TEST(PlaneXTest, ClassifiesPointsAndIntersectsSegments) {
  const PlaneX plane(Vector3fX(0, 0, 1), 2.f);
  EXPECT_EQ(plane.TestPointRelationToPlane({0, 0, 2.f + 1.1e-5f}), FRONTOFPLANE);
  EXPECT_EQ(plane.TestPointRelationToPlane({0, 0, 2.f - 1.1e-5f}), BEHINDOFPLANE);
  EXPECT_EQ(plane.TestPointRelationToPlane({0, 0, 2.f + 0.9e-5f}), ONPLANE);
  const Vector3fX start(1, 1, 0), end(1, 1, 4);
  EXPECT_EQ(plane.TestPointRelationToPlane((start + end) * 0.5f), ONPLANE);
  Vector3fX hit;
  float t = -1.f;
  ASSERT_TRUE(plane.TestLineIntersect(start, end, hit, t));
  EXPECT_FLOAT_EQ(t, 0.5f);
  EXPECT_TRUE(Equal(hit, Vector3fX(1, 1, 2)));
  EXPECT_FALSE(plane.TestLineIntersect({0, 0, 2}, end, hit, t));
  EXPECT_EQ(t, 0.f);
  EXPECT_FALSE(plane.TestLineIntersect(start, {0, 0, 2}, hit, t));
  EXPECT_EQ(t, 1.f);
  EXPECT_TRUE(Equal(plane.ProjectPoint({3, 4, 7}), Vector3fX(3, 4, 2)));
  EXPECT_FALSE(PlaneX().IsValid());
  EXPECT_TRUE(Equal(plane, PlaneX(Vector3fX(0, 0, 1.000005f), 2.000005f)));
  EXPECT_FALSE(Equal(plane, PlaneX(Vector3fX(0, 0, 1), 2.0001f)));
}

TEST(PlaneXTest, EdgeIntersectionInterpolatesTextureCoordinates) {
  const PlaneDoubleX plane(PlaneX(Vector3fX(1, 0, 0), 1.f));
  VertexX a = MakeVertex(0, 0);
  VertexX b = MakeVertex(4, 0);
  a.texCoord = {0.f, 1.f};
  b.texCoord = {1.f, 0.f};
  a.colour = 0xFF112233u;
  b.normal = {0, 0, 1};
  const VertexX cut = plane.IntersectEdgeAgainstPlane(a, b);
  EXPECT_TRUE(Equal(cut.position, Vector3fX(1, 0, 0)));
  EXPECT_FLOAT_EQ(cut.texCoord.u, 0.25f);
  EXPECT_FLOAT_EQ(cut.texCoord.v, 0.75f);
  EXPECT_EQ(cut.colour, a.colour);
  EXPECT_TRUE(IsZero(cut.normal));
  // Within 1e-5 of an end the end itself is returned.
  const PlaneDoubleX nearEnd(PlaneX(Vector3fX(1, 0, 0), 4.f - 1e-6f));
  EXPECT_TRUE(nearEnd.IntersectEdgeAgainstPlane(a, b) == b);
}

TEST(PolygonXValidity, DegenerateShapesAreRejected) {
  ReportCaptureX capture;
  PolygonX collinear = MakePolygon({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}});
  EXPECT_FALSE(collinear.CreatePlaneSafe());
  EXPECT_FALSE(collinear.HasCreatedPlane());
  EXPECT_FALSE(collinear.IsAPolygon());

  PolygonX repeated = MakePolygon({{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  EXPECT_FALSE(repeated.IsAPolygon());
  EXPECT_TRUE(repeated.RemoveLineVertices());
  ASSERT_EQ(repeated.vertexList.Size(), 3u);
  EXPECT_TRUE(repeated.vertexList[1].position.IsSame({1, 0, 0}));
  EXPECT_TRUE(repeated.vertexList[2].position.IsSame({0, 1, 0}));
  EXPECT_TRUE(repeated.IsAPolygon());

  PolygonX point = MakePolygon({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}});
  EXPECT_TRUE(point.IsNeedlePolygonLine());
  EXPECT_EQ(capture.CountLog("Polygon is a point"), 1u);
  EXPECT_TRUE(MakePolygon({{0, 0, 0}, {1, 0, 0}, {2, 0.0005f, 0}}).IsNeedlePolygonLine());
  EXPECT_FALSE(MakePolygon({{0, 0, 0}, {1, 0, 0}, {2, 0.01f, 0}}).IsNeedlePolygonLine());
}

TEST(PolygonXValidity, ConvexityChecksEveryCornerIncludingTheClosingOnes) {
  // Reflex corner at vertex 0: only the closing turns reveal it.
  PolygonX dart = MakePolygon({{0.5f, 0.4f, 0}, {0, 0, 0}, {1, 0.5f, 0}, {0, 1, 0}});
  PlaneX plane;
  ASSERT_TRUE(dart.GetWorkingPlane(plane));
  EXPECT_FALSE(dart.IsConvex(plane));
  EXPECT_FALSE(dart.IsAPolygon());
  PolygonX square = Square(0, 0, 1, 1);
  square.vertexList.Insert(1, MakeVertex(0.5f, 0));  // a line vertex does not matter
  ASSERT_TRUE(square.GetWorkingPlane(plane));
  EXPECT_TRUE(square.IsConvex(plane));
  EXPECT_TRUE(square.IsAPolygon());
}

TEST(PolygonXValidity, WindingNeedsThreeVerticesAndDuplicateRemovalKeepsIt) {
  PolygonX two = MakePolygon({{0, 0, 0}, {1, 0, 0}});
  EXPECT_FALSE(two.IsCCW());
  PolygonX square = Square(0, 0, 1, 1);
  EXPECT_TRUE(square.IsCCW());
  square.plane = PlaneX(Vector3fX(0, 0, -1), 0.f);
  square.planeCreated = true;
  EXPECT_FALSE(square.IsCCW());

  // A repeat in the middle of the loop: the remaining order must stay a simple loop.
  PolygonX polygon =
      MakePolygon({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}});
  EXPECT_TRUE(polygon.RemoveDuplicateVertices());
  ASSERT_EQ(polygon.vertexList.Size(), 5u);
  const Vector3fX expected[] = {{0, 0, 0}, {1, 0, 0}, {2, 1, 0}, {1, 2, 0}, {0, 1, 0}};
  for (uint32_t i = 0; i < 5; ++i) EXPECT_TRUE(polygon.vertexList[i].position.IsSame(expected[i]));
  EXPECT_TRUE(polygon.IsAPolygon());
  EXPECT_FALSE(polygon.RemoveDuplicateVertices());
}

TEST(PolygonXValidity, CentreAndFanTriangulationCarryAttributes) {
  PolygonX square = Square(0, 0, 2, 2);
  square.vertexList.Insert(1, MakeVertex(1, 0));
  EXPECT_TRUE(Equal(square.GetCenterSafe(), Vector3fX(1, 1, 0)));
  EXPECT_TRUE(Equal(square.GetCenter(), Vector3fX(1.f, 0.8f, 0)));
  square.tag = 77;
  square.colour = 0xFF00FF00u;
  ArrayX<PolygonX> fan;
  square.GetPolygonAsTrianglePolygons(fan);
  ASSERT_EQ(fan.Size(), 2u);  // the fan piece over the line vertex is no polygon
  for (const PolygonX& piece : fan) {
    EXPECT_EQ(piece.tag, 77u);
    EXPECT_EQ(piece.colour, 0xFF00FF00u);
  }
  EXPECT_NEAR(TotalArea(fan), 4.f, 1e-5f);
}

TEST(PolygonXMerge, NeighboursSharingAnEdgeMerge) {
  ReportCaptureX capture;
  PolygonX left = Square(0, 0, 1, 1);
  PolygonX right = Square(1, 0, 2, 1);
  EXPECT_TRUE(left.MergePolygon(right, true));
  EXPECT_EQ(left.vertexList.Size(), 6u);
  EXPECT_NEAR(left.GetArea(), 2.f, 1e-5f);
  EXPECT_TRUE(left.IsAPolygon());
  EXPECT_TRUE(left.IsCCW());

  PolygonX apart = Square(5, 5, 6, 6);
  PolygonX copy = Square(0, 0, 1, 1);
  EXPECT_FALSE(copy.MergePolygon(apart, false));
  EXPECT_FALSE(copy.MergePolygon(Square(0, 0, 1, 1), false));  // every vertex shared
  // A neighbour that makes the union concave is refused.
  PolygonX unit = Square(0, 0, 1, 1);
  EXPECT_FALSE(unit.MergePolygon(Square(1, 0, 2, 3), false));
  EXPECT_EQ(unit.vertexList.Size(), 4u);
  // Different planes with requireSamePlane.
  PolygonX tilted = MakePolygon({{1, 0, 0}, {2, 0, 1}, {2, 1, 1}, {1, 1, 0}});
  EXPECT_FALSE(unit.MergePolygon(tilted, true));
  // Opposite windings are reported; the merge still goes ahead.
  PolygonX clockwise = MakePolygon({{1, 0, 0}, {1, 1, 0}, {2, 1, 0}, {2, 0, 0}});
  PolygonX base = Square(0, 0, 1, 1);
  EXPECT_TRUE(base.MergePolygon(clockwise, false));
  EXPECT_EQ(capture.CountLog("Polygons directions does not match!"), 1u);
  EXPECT_NEAR(base.GetArea(), 2.f, 1e-5f);
  EXPECT_TRUE(base.IsAPolygon());
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);
}

TEST(PolygonLightXTest, SharedCornersAndFlags) {
  ArrayX<Vector3fX> positions;
  PolygonX first = MakePolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  PolygonX second = MakePolygon({{1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  first.SetSurfaceFlags(0, 0x80000u | 0x20u);
  PolygonLightX a(&positions);
  PolygonLightX b(&positions);
  a = first;
  b = second;
  EXPECT_EQ(positions.Size(), 4u);
  EXPECT_EQ(a.mCollisionFlags, PolygonLightX::sFlagBit19 | PolygonLightX::sFlagBit5);
  EXPECT_EQ(b.mCollisionFlags, 0u);
  EXPECT_EQ(b.mIndexList[0], 1u);
  EXPECT_EQ(b.mIndexList[2], 2u);
  EXPECT_TRUE(a.IsAPolygon());
  EXPECT_TRUE(a.TestPointIntersection({0.2f, 0.2f, 0}));  // before the plane is made
  EXPECT_FALSE(a.TestPointIntersection({-0.2f, 0.2f, 0}));
  a.CreatePlane();
  EXPECT_TRUE(Equal(a.plane.normal, Vector3fX(0, 0, 1)));
  EXPECT_TRUE(a.TestPointIntersection({0.2f, 0.2f, 0}));
  EXPECT_FALSE(a.TestPointIntersection({0.8f, 0.8f, 0}));
  ArrayX<PolygonLightX*> pieces;
  a.GetPolygonAsTrianglePolygons(pieces);
  ASSERT_EQ(pieces.Size(), 1u);
  EXPECT_EQ(pieces[0]->mIndexListSize, 3u);
  delete pieces[0];
}

TEST(PolygonLightXTest, LimitsAreReportedAndNeverOverrun) {
  ReportCaptureX capture;
  ArrayX<Vector3fX> positions;
  PolygonLightX light(&positions);
  light = Square(0, 0, 1, 1);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert,
                              "pol.vertexList.Size() <= sMaxNumberOfVertices"),
            1u);
  EXPECT_EQ(light.mIndexListSize, 3u);
  EXPECT_EQ(positions.Size(), 3u);
  EXPECT_FALSE(light.AddVertex(uint16_t(0)));
  EXPECT_EQ(
      capture.CountText(ReportCaptureX::KindX::Assert, "mIndexListSize != sMaxNumberOfVertices"),
      1u);
  light.RemoveIndex(5);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "index < mIndexListSize"), 1u);

  // The main list holds at most 65536 positions; the next one is refused, not wrapped.
  ArrayX<Vector3fX> full;
  for (uint32_t i = 0; i < 65536; ++i) full.Add(Vector3fX(float(i), 0, 0));
  PolygonLightX late(&full);
  EXPECT_TRUE(late.AddVertex(Vector3fX(70, 0, 0)));  // already present
  EXPECT_FALSE(late.AddVertex(Vector3fX(-1, 0, 0)));
  EXPECT_EQ(full.Size(), 65536u);
  EXPECT_EQ(late.mIndexListSize, 1u);
  EXPECT_EQ(capture.CountText(ReportCaptureX::KindX::Assert, "mMainVertexList->Size() <= 65536"),
            1u);
}

TEST(PolygonLightXTest, SplitOfATriangleKeepsBothPiecesWithinThreeIndices) {
  ReportCaptureX capture;
  ArrayX<Vector3fX> positions;
  PolygonLightX triangle(&positions);
  triangle = MakePolygon({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
  triangle.CreatePlane();
  const PlaneX plane(Vector3fX(0, 1, 0), 1.f);  // y = 1: a quad below, a triangle above
  PolygonLightX front, back, backSecond;
  EXPECT_EQ(triangle.SplitPolygonByPlane(plane, front, back, nullptr, &backSecond), SPANNINGPLANE);
  EXPECT_EQ(front.mIndexListSize, 3u);
  EXPECT_EQ(back.mIndexListSize, 3u);
  EXPECT_EQ(backSecond.mIndexListSize, 3u);
  EXPECT_EQ(positions.Size(), 5u);  // two cut points added once each
  auto area = [](const PolygonLightX& p) {
    return Cross(p.GetVertex(1) - p.GetVertex(0), p.GetVertex(2) - p.GetVertex(0)).Length() * 0.5f;
  };
  EXPECT_NEAR(area(front) + area(back) + area(backSecond), 8.f, 1e-4f);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 0u);

  // Without a second output the quad's other half is reported and dropped; nothing overflows.
  PolygonLightX f2, b2;
  triangle.SplitPolygonByPlane(plane, f2, b2);
  EXPECT_EQ(b2.mIndexListSize, 3u);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Log), 1u);

  // Wholly on one side: copied whole, the class is returned.
  EXPECT_EQ(triangle.SplitPolygonByPlane(PlaneX(Vector3fX(0, 1, 0), -1.f), f2, b2), FRONTOFPLANE);
  EXPECT_EQ(f2.mIndexListSize, 3u);
  EXPECT_EQ(b2.mIndexListSize, 0u);
  // A needle sliver is not cut off: the split is abandoned.
  EXPECT_EQ(triangle.SplitPolygonByPlane(PlaneX(Vector3fX(0, 1, 0), 3.9999f), f2, b2),
            SPANNINGPLANE);
  EXPECT_EQ(f2.mIndexListSize, 0u);
  EXPECT_EQ(b2.mIndexListSize, 3u);
}

TEST(EdgeXTest, NeighbouringEdgesShareCanonicalEndsAndCompareEqual) {
  PolygonX first = MakePolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  PolygonX second = MakePolygon({{1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
  const EdgeX a(1, 2, &first);   // (1,0,0) -> (0,1,0)
  const EdgeX b(2, 0, &second);  // (0,1,0) -> (1,0,0)
  EXPECT_TRUE(a.mStart.IsSame(b.mStart));
  EXPECT_TRUE(a.mEnd.IsSame(b.mEnd));
  EXPECT_NE(a.IsSwapped(), b.IsSwapped());
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == a);
  EXPECT_TRUE(a.IsSameEdge(b));
  EXPECT_TRUE(a.GetStart().IsSame({1, 0, 0}));
  EXPECT_TRUE(a.GetEnd().IsSame({0, 1, 0}));
  EXPECT_TRUE((a < b) != (b < a));
  float distance = 0.f;
  EXPECT_TRUE(a.IsNearEdge(b, distance));
  EXPECT_FALSE(EdgeX(0, 1, &first).IsNearEdge(EdgeX(1, 2, &second), distance) && distance > 0.5f);

  EdgeX shared = a;
  EXPECT_TRUE(shared.IsBoundary());
  shared.AddPolygon(&second, 2, 0);
  EXPECT_FALSE(shared.IsBoundary());
  EXPECT_EQ(shared.mPolygonLast, &second);

  // The inward plane of edge (0 -> 1) of a counter-clockwise triangle faces +y.
  ASSERT_TRUE(first.CreatePlaneSafe());
  const PlaneX inward = EdgeX(0, 1, &first).GetInWardFacingPlane();
  EXPECT_TRUE(Equal(inward.normal, Vector3fX(0, 1, 0)));
  EXPECT_TRUE(IsZero(inward.d));
}

TEST(EdgeXTest, BadIndicesAreReportedWithoutReading) {
  ReportCaptureX capture;
  PolygonX triangle = MakePolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  EdgeX bad(2, 3, &triangle);
  EXPECT_EQ(capture.Count(ReportCaptureX::KindX::Assert), 1u);
  EdgeX invalid(255, 0, &triangle);
  EXPECT_EQ(
      capture.CountText(ReportCaptureX::KindX::Assert, "v0Index < INVALID8 && v1Index < INVALID8"),
      1u);
}

TEST(BoundingBoxTest, EmptyGrowIntersectAndContainment) {
  BoundingAxisAllignedBoxX empty;
  BoundingAxisAllignedBoxX unit;
  unit.Grow(Vector3fX(0, 0, 0));
  unit.Grow(Vector3fX(1, 1, 1));
  EXPECT_FALSE(empty.Intersects(unit));
  EXPECT_FALSE(unit.Intersects(empty));
  BoundingAxisAllignedBoxX point;
  point.Grow(Vector3fX(2, 3, 4));
  EXPECT_TRUE(point.min.IsSame({2, 3, 4}));
  EXPECT_TRUE(point.max.IsSame({2, 3, 4}));
  BoundingAxisAllignedBoxX touching;
  touching.Grow(Vector3fX(1, 1, 1));
  touching.Grow(Vector3fX(2, 2, 2));
  EXPECT_TRUE(unit.Intersects(touching));
  EXPECT_FALSE(unit.Intersects(point));
  point.Enlarge(3.f);
  EXPECT_TRUE(point.min.IsSame({-1, 0, 1}));
  EXPECT_TRUE(point.max.IsSame({5, 6, 7}));
  EXPECT_TRUE(unit.Intersects(point));

  RandomGeometryX random(5);
  for (int round = 0; round < 1000; ++round) {
    FrameX frame;
    PolygonX polygon = random.ConvexPolygon(frame);
    const BoundingAxisAllignedBoxX box(polygon.vertexList);
    for (const VertexX& v : polygon.vertexList) EXPECT_TRUE(box.Contains(v.position));
    bool touches[6] = {};
    for (const VertexX& v : polygon.vertexList) {
      touches[0] |= v.position.x == box.min.x;
      touches[1] |= v.position.y == box.min.y;
      touches[2] |= v.position.z == box.min.z;
      touches[3] |= v.position.x == box.max.x;
      touches[4] |= v.position.y == box.max.y;
      touches[5] |= v.position.z == box.max.z;
    }
    for (bool touch : touches) EXPECT_TRUE(touch);
  }
}
