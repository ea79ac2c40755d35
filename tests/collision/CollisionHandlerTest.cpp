// The collision handler: sliding along walls and into corners, ceilings and climbing, shots
// bouncing (several times in one frame) and hitting moving objects in their own frame.
#include <gtest/gtest.h>

#include <cmath>

#include "CollisionTestSupport.h"
#include "ReportCaptureX.h"
#include "collision/CollisionDataStructureManagerX.h"
#include "collision/CollisionHandlerX.h"

using namespace colltest;

namespace {

// A handler over a world made of the given triangles, with files in a fresh folder.
class HandlerWorldX {
 public:
  explicit HandlerWorldX(const std::vector<TriangleX>& triangles, uint32_t flags = 0)
      : mManager(FilesFolder(mFolder)), mHandler(&mManager) {
    mMesh = MeshFromTriangles(triangles, flags);
    ArrayX<const MeshX*> meshes;
    meshes.Add(&mMesh);
    EXPECT_TRUE(mHandler.AddWorld(StringX("world"), meshes));
  }
  CollisionHandlerX& Handler() { return mHandler; }

 private:
  ScratchFolderX mFolder;
  MeshX mMesh;
  CollisionDataStructureManagerX mManager;
  CollisionHandlerX mHandler;
};

// Large wall through `point` facing `normal` (an axis).
void AddWall(std::vector<TriangleX>& out, const Vector3fX& point, const Vector3fX& normal,
             float size = 1000.f) {
  Vector3fX u = std::fabs(normal.y) > 0.5f ? Vector3fX{1, 0, 0} : Vector3fX{0, 1, 0};
  Vector3fX v = Cross(normal, u);
  u = Cross(v, normal);
  const Vector3fX a = point - u * size - v * size;
  AddQuad(out, a, a + u * (2 * size), a + u * (2 * size) + v * (2 * size), a + v * (2 * size));
}

struct TestObjectX : ICollisionObjectX {
  Matrix4X matrix;
  const MeshX* mesh = nullptr;
  const Matrix4X& GetCollisionMatrix() const override { return matrix; }
  const MeshX* GetCollisionMesh() const override { return mesh; }
};

}  // namespace

TEST(CollisionHandlerTest, WalkingIntoAWallAtAnAngleSlidesAlongIt) {
  std::vector<TriangleX> walls;
  AddWall(walls, {100, 0, 0}, {-1, 0, 0});
  HandlerWorldX world(walls);
  CollisionResultX result;
  ASSERT_TRUE(world.Handler().CollideAndSlide({0, 0, 0}, {200, 0, 200}, result));
  EXPECT_NEAR(result.mPoint.x, 100.f - 15.05f, 0.02f);
  EXPECT_NEAR(result.mPoint.z, 200.f, 0.02f);  // the part along the wall is kept
  EXPECT_NEAR(result.mPoint.y, 0.f, 0.02f);
  EXPECT_TRUE(result.mPolygon);
  // No contact: no slide.
  EXPECT_FALSE(world.Handler().CollideAndSlide({0, 0, 0}, {50, 0, 50}, result));
}

TEST(CollisionHandlerTest, IntoACornerStaysOutsideBothWalls) {
  std::vector<TriangleX> walls;
  AddWall(walls, {100, 0, 0}, {-1, 0, 0});
  AddWall(walls, {0, 0, 100}, {0, 0, -1});
  HandlerWorldX world(walls);
  for (const Vector3fX& target :
       {Vector3fX{300, 0, 300}, Vector3fX{400, 20, 150}, Vector3fX{120, 0, 500}}) {
    CollisionResultX result;
    ASSERT_TRUE(world.Handler().CollideAndSlide({0, 0, 0}, target, result));
    EXPECT_LE(result.mPoint.x, 100.f - 15.f) << target.x;
    EXPECT_LE(result.mPoint.z, 100.f - 15.f) << target.z;
    EXPECT_FALSE(world.Handler().TestSphere(result.mPoint, 15.f));
  }
}

TEST(CollisionHandlerTest, FloorCeilingAndClimbing) {
  std::vector<TriangleX> floor;
  AddWall(floor, {0, 0, 0}, {0, 1, 0});
  AddWall(floor, {0, 100, 0}, {0, -1, 0});
  const Vector3fX gravity{0, -1, 0};
  {
    HandlerWorldX world(floor);
    SlideOutcomeX fall = world.Handler().SlideBody({0, 50, 0}, {0, -50, 0}, gravity);
    ASSERT_TRUE(fall.mContact);
    EXPECT_NEAR(fall.mPosition.y, 15.05f, 0.02f);
    EXPECT_FALSE(fall.mStopFall);
    EXPECT_FALSE(fall.mClimb);
    SlideOutcomeX rise = world.Handler().SlideBody({0, 50, 0}, {0, 120, 0}, gravity);
    ASSERT_TRUE(rise.mContact);
    EXPECT_NEAR(rise.mPosition.y, 100.f - 15.05f, 0.02f);
    EXPECT_TRUE(rise.mStopFall);  // a ceiling stops the rise
    SlideOutcomeX free = world.Handler().SlideBody({0, 50, 0}, {0, 60, 0}, gravity);
    EXPECT_FALSE(free.mContact);
    EXPECT_NEAR(free.mPosition.y, 60.f, 1e-5f);
  }
  {
    // Surfaces flagged climbable (surface bit 19) let the sphere climb.
    HandlerWorldX world(floor, 1u << 19);
    SlideOutcomeX fall = world.Handler().SlideBody({0, 50, 0}, {0, -50, 0}, gravity);
    ASSERT_TRUE(fall.mContact);
    EXPECT_TRUE(fall.mClimb);
  }
}

TEST(CollisionHandlerTest, BounceReflectsOffTheFloor) {
  std::vector<TriangleX> floor;
  AddWall(floor, {0, 0, 0}, {0, 1, 0});
  HandlerWorldX world(floor);
  CollisionResultX result;
  ASSERT_TRUE(world.Handler().TestBounce({0, 10, 0}, {20, -10, 0}, result));
  const float s = std::sqrt(0.5f);
  EXPECT_TRUE(Equal(result.mReflectDirection, Vector3fX{s, s, 0}, 1e-4f));
  EXPECT_NEAR(result.mPoint.y, 1.f, 1e-3f);  // one unit off the surface
  EXPECT_NEAR(result.mPoint.x, 9.f, 0.01f);
  EXPECT_TRUE(Equal(result.mBouncePoint, Vector3fX{20, 12, 0}, 0.02f));

  ShotMoveX shot;
  shot.mLastPosition = {0, 10, 0};
  shot.mPosition = {20, -10, 0};
  world.Handler().MoveShot(shot);
  EXPECT_EQ(shot.mBounces, 1u);
  EXPECT_FALSE(shot.mRetire);
  EXPECT_TRUE(Equal(shot.mPosition, Vector3fX{20, 12, 0}, 0.02f));
}

TEST(CollisionHandlerTest, ShotBouncesUpToFiveTimesInOneFrameAlongACorridor) {
  std::vector<TriangleX> corridor;
  AddWall(corridor, {0, 0, 0}, {1, 0, 0});
  AddWall(corridor, {20, 0, 0}, {-1, 0, 0});
  HandlerWorldX world(corridor);
  ShotMoveX shot;
  shot.mLastPosition = {10, 0, 0};
  shot.mPosition = {10 + 200, 0, 100};
  world.Handler().MoveShot(shot);
  EXPECT_EQ(shot.mBounces, 5u);
  EXPECT_TRUE(shot.mRetire);
  EXPECT_GT(shot.mLastPosition.x, 0.f);
  EXPECT_LT(shot.mLastPosition.x, 20.f);
}

TEST(CollisionHandlerTest, MovingObjectsAreHitInTheirOwnFrameAndShareStructures) {
  std::vector<TriangleX> floor;
  AddWall(floor, {0, -100, 0}, {0, 1, 0});
  HandlerWorldX world(floor);
  std::vector<TriangleX> box;
  AddBox(box, {-10, -10, -10}, {10, 10, 10});
  MeshX mesh = MeshFromTriangles(box);
  mesh.SetName(StringX("models\\box.md2"));
  mesh.mSections.Clear();
  mesh.mSections.Add(SectionX{0, mesh.mIndexList.Size()});
  TestObjectX bot;
  bot.mesh = &mesh;
  bot.matrix.m[3][0] = 1000.f;
  TestObjectX other = bot;
  other.matrix.m[3][0] = 2000.f;
  CollisionHandlerX& handler = world.Handler();
  ASSERT_TRUE(handler.AddObjectMoveableX(&bot));
  ASSERT_TRUE(handler.AddObjectMoveableX(&other));
  ASSERT_TRUE(handler.GetPack(&bot)->mStructures[0]);
  EXPECT_EQ(handler.GetPack(&bot)->mStructures[0], handler.GetPack(&other)->mStructures[0]);

  CollisionResultX result;
  EXPECT_FALSE(handler.TestRay({900, 0, 0}, {1, 0, 0}, result, true));
  ASSERT_TRUE(handler.TestRay({900, 0, 0}, {1, 0, 0}, result, false));
  EXPECT_EQ(result.mObject, &bot);
  EXPECT_NEAR(result.mPoint.x, 990.f, 1e-3f);
  EXPECT_TRUE(Equal(result.mNormal, Vector3fX{-1, 0, 0}, 1e-5f));

  ShotMoveX shot;
  shot.mLastPosition = {1900, 0, 0};
  shot.mPosition = {1995, 0, 0};
  handler.MoveShot(shot);
  EXPECT_EQ(shot.mHitObject, &other);
  EXPECT_TRUE(shot.mRetire);

  EXPECT_TRUE(handler.RemoveObjectMoveableX(&other));
  EXPECT_EQ(handler.GetPackCount(), 1u);
  ReportCaptureX log;
  EXPECT_FALSE(handler.RemoveObjectMoveableX(&other));
  EXPECT_TRUE(log.Has("ite != mColPacks.end()"));
  EXPECT_FALSE(handler.TestRay({1900, 0, 0}, {1, 0, 0}, result, false));
}

TEST(CollisionHandlerTest, WithoutAWorldEveryQueryMisses) {
  ScratchFolderX folder;
  CollisionDataStructureManagerX manager(FilesFolder(folder));
  CollisionHandlerX handler(&manager);
  CollisionResultX result;
  EXPECT_FALSE(handler.TestRay({0, 0, 0}, {1, 0, 0}, result, false));
  EXPECT_FALSE(handler.SweepSphere({0, 0, 0}, {100, 0, 0}, 5, result, false));
  EXPECT_FALSE(handler.CollideAndSlide({0, 0, 0}, {100, 0, 0}, result));
  EXPECT_FALSE(handler.TestSphere({0, 0, 0}, 5));
}
