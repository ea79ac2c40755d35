// Movement model: quaternion turning, step integration, SetDirection, world matrix, snapshots.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ReportCaptureX.h"
#include "audio/SoundOwnerX.h"
#include "collision/CollisionHandlerX.h"
#include "game/Movement3DX.h"
#include "game/ObjectMoveableX.h"
#include "game/QuaternionX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kMaxPitch = 1.3744469f;

void ExpectNear(const Vector3fX& a, const Vector3fX& b, float eps = 1e-4f) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

void ExpectOrthonormal(const Movement3DX& m, float eps = 1e-4f) {
  EXPECT_NEAR(m.mRight.Length(), 1.0f, eps);
  EXPECT_NEAR(m.mUp.Length(), 1.0f, eps);
  EXPECT_NEAR(m.mDirection.Length(), 1.0f, eps);
  EXPECT_NEAR(Dot(m.mRight, m.mUp), 0.0f, eps);
  EXPECT_NEAR(Dot(m.mRight, m.mDirection), 0.0f, eps);
  EXPECT_NEAR(Dot(m.mUp, m.mDirection), 0.0f, eps);
  // The identity basis has up x direction = right; turning keeps that handedness.
  ExpectNear(Cross(m.mUp, m.mDirection), m.mRight, eps);
}

class MoveTest : public ::testing::Test {
 protected:
  Object3DX mObject{StringX("thing")};
  ObjectMoveableX mMoveable{&mObject};
};

TEST(MoveQuaternionTest, YawPitchRollIsRollThenPitchThenYaw) {
  const float angles[][3] = {{0.3f, 0.0f, 0.0f},
                             {0.0f, 0.7f, 0.0f},
                             {0.0f, 0.0f, -1.1f},
                             {1.2f, -0.4f, 0.9f},
                             {-2.5f, 1.3f, 3.0f}};
  for (const auto& a : angles) {
    const QuaternionX closed = QuaternionX::FromYawPitchRoll(a[0], a[1], a[2]);
    const QuaternionX product = QuaternionX::FromAxisAngle({0, 1, 0}, a[0]) *
                                QuaternionX::FromAxisAngle({1, 0, 0}, a[1]) *
                                QuaternionX::FromAxisAngle({0, 0, 1}, a[2]);
    EXPECT_NEAR(closed.x, product.x, 1e-6f);
    EXPECT_NEAR(closed.y, product.y, 1e-6f);
    EXPECT_NEAR(closed.z, product.z, 1e-6f);
    EXPECT_NEAR(closed.w, product.w, 1e-6f);
  }
}

TEST_F(MoveTest, PositiveYawTurnsTowardRightAndPositivePitchLooksDown) {
  mMoveable.mRotationSpeed[1] = 0.5f;  // yaw per second
  mMoveable.Update(1.0f);
  ExpectNear(mMoveable.mDirection, {std::sin(0.5f), 0.0f, std::cos(0.5f)});

  ObjectMoveableX pitched(&mObject);
  pitched.mRotationSpeed[2] = 0.4f;
  pitched.Update(1.0f);
  ExpectNear(pitched.mDirection, {0.0f, -std::sin(0.4f), std::cos(0.4f)});
}

TEST_F(MoveTest, RelativeTurnsHappenInTheObjectsOwnFrame) {
  mMoveable.mRotationSpeed[1] = kPi / 2;
  mMoveable.Update(1.0f);
  ExpectNear(mMoveable.mDirection, {1, 0, 0});
  ExpectNear(mMoveable.mRight, {0, 0, -1});
  mMoveable.mRotationSpeed[1] = 0.0f;
  mMoveable.mRotationSpeed[2] = kPi / 6;  // pitch about the turned right axis
  mMoveable.Update(1.0f);
  ExpectNear(mMoveable.mDirection, {std::cos(kPi / 6), -std::sin(kPi / 6), 0.0f});
  ExpectNear(mMoveable.mRight, {0, 0, -1});
  mMoveable.mRotationSpeed[2] = 0.0f;
  mMoveable.mRotationSpeed[0] = kPi / 2;  // roll about the direction keeps the direction
  mMoveable.Update(1.0f);
  ExpectNear(mMoveable.mDirection, {std::cos(kPi / 6), -std::sin(kPi / 6), 0.0f});
}

TEST_F(MoveTest, BasisStaysOrthonormalAfterManyTurns) {
  std::mt19937 generator(7);
  std::uniform_real_distribution<float> speed(-20.0f, 20.0f);
  for (int i = 0; i < 100000; ++i) {
    for (float& s : mMoveable.mRotationSpeed) s = speed(generator);
    mMoveable.Update(0.01f);
  }
  ExpectOrthonormal(mMoveable);
  EXPECT_NEAR(mMoveable.mOrientation.LengthSquared(), 1.0f, 1e-4f);
}

TEST_F(MoveTest, FrameRotationBeyondAFullTurnIsWrappedOnce) {
  mMoveable.mFrameRotation[0] = 0.25f + Movement3DX::sTwoPi;
  mMoveable.UpdateOrientation();
  ExpectNear(mMoveable.mDirection, {std::sin(0.25f), 0.0f, std::cos(0.25f)});
  EXPECT_NEAR(mMoveable.mFrameRotation[0], 0.25f, 1e-5f);
}

TEST_F(MoveTest, AbsoluteAnglesClampThePitchAtTheLimit) {
  mMoveable.mUseAngles = true;
  mMoveable.SetMaxPitch(kMaxPitch);
  mMoveable.mRotationSpeed[2] = 1.0f;
  for (int i = 0; i < 5; ++i) mMoveable.Update(1.0f);
  EXPECT_FLOAT_EQ(mMoveable.mAngles[1], kMaxPitch);
  EXPECT_NEAR(mMoveable.mDirection.y, -std::sin(kMaxPitch), 1e-5f);
  mMoveable.mRotationSpeed[2] = -1.0f;
  for (int i = 0; i < 5; ++i) mMoveable.Update(1.0f);
  EXPECT_FLOAT_EQ(mMoveable.mAngles[1], -kMaxPitch);
  EXPECT_NEAR(mMoveable.mDirection.y, std::sin(kMaxPitch), 1e-5f);
  // 78.75 degrees, never further.
  EXPECT_NEAR(std::asin(mMoveable.mDirection.y) * 180.0f / kPi, 78.75f, 1e-3f);
}

TEST_F(MoveTest, AbsoluteYawOfSevenRadiansBecomesSevenMinusTwoPi) {
  mMoveable.mUseAngles = true;
  mMoveable.mRotationSpeed[1] = 7.0f;
  mMoveable.Update(1.0f);
  EXPECT_NEAR(mMoveable.mAngles[0], 7.0f - 2.0f * kPi, 1e-5f);
  ExpectNear(mMoveable.mDirection, {std::sin(7.0f), 0.0f, std::cos(7.0f)});
}

TEST_F(MoveTest, AbsoluteAnglesYawAboutTheWorldUpWhatEverThePitch) {
  mMoveable.mUseAngles = true;
  mMoveable.mAngles[1] = 0.5f;  // looking down
  mMoveable.mRotationSpeed[1] = kPi / 2;
  mMoveable.Update(1.0f);
  ExpectNear(mMoveable.mDirection, {std::cos(0.5f), -std::sin(0.5f), 0.0f});
  EXPECT_NEAR(mMoveable.mRight.y, 0.0f, 1e-5f);  // no roll creeps in
}

TEST_F(MoveTest, FreeFlightMovesAlongTheFullDirection) {
  mMoveable.mUseAngles = true;
  mMoveable.mAngles[1] = 1.2f;
  mMoveable.Update(0.0f);
  mMoveable.mSpeed = 100.0f;
  mMoveable.mStrafeSpeed = 10.0f;
  const Vector3fX start = mMoveable.mPosition;
  mMoveable.Update(0.5f);
  ExpectNear(mMoveable.mPosition - start, mMoveable.mDirection * 50.0f + mMoveable.mRight * 5.0f);
  ExpectNear(mMoveable.mLastPosition, start);
}

TEST_F(MoveTest, GroundBoundMovementStaysLevelWhileLookingSteeplyDown) {
  mMoveable.mClipping = true;
  mMoveable.mUseAngles = true;
  mMoveable.mAngles[1] = 1.3f;
  mMoveable.Update(0.0f);
  mMoveable.mSpeed = 300.0f;
  mMoveable.Update(0.1f);
  EXPECT_NEAR(mMoveable.mStep.y, 0.0f, 1e-4f);
  EXPECT_NEAR(mMoveable.mStep.Length(), 30.0f, 1e-3f);
}

TEST_F(MoveTest, GroundBoundMovementLookingStraightDownStaysFinite) {
  mMoveable.mClipping = true;
  mMoveable.SetDirection({0.0f, -1.0f, 0.0f});
  ExpectNear(mMoveable.mDirection, {0, -1, 0});
  mMoveable.mSpeed = 100.0f;
  mMoveable.Update(1.0f);
  ASSERT_TRUE(std::isfinite(mMoveable.mPosition.LengthSquared()));
  // Forward on the ground is where the top of the head points.
  ExpectNear(mMoveable.mPosition, {0.0f, 0.0f, 100.0f}, 1e-3f);
}

TEST_F(MoveTest, FallSpeedMovesAlongTheGroundUp) {
  mMoveable.mClipping = true;
  mMoveable.mFallSpeed = -50.0f;
  mMoveable.mGroundUp = {0.0f, 2.0f, 0.0f};  // normalised before use
  mMoveable.Update(0.2f);
  ExpectNear(mMoveable.mPosition, {0.0f, -10.0f, 0.0f});
}

TEST_F(MoveTest, ComputeStepReplacesOnlyItsOwnShare) {
  mMoveable.mStep = {0.0f, 7.0f, 0.0f};  // added by someone else
  mMoveable.mSpeed = 10.0f;
  mMoveable.ComputeStep(1.0f);
  ExpectNear(mMoveable.mStep, {0.0f, 7.0f, 10.0f});
  mMoveable.mSpeed = 4.0f;
  mMoveable.ComputeStep(1.0f);
  ExpectNear(mMoveable.mStep, {0.0f, 7.0f, 4.0f});
  ExpectNear(mMoveable.mOwnStep, {0.0f, 0.0f, 4.0f});
}

TEST_F(MoveTest, SetDirectionPointsAlongTheGivenVector) {
  std::mt19937 generator(11);
  std::uniform_real_distribution<float> component(-1.0f, 1.0f);
  for (int i = 0; i < 500; ++i) {
    const Vector3fX v{component(generator), component(generator), component(generator)};
    const float level = std::sqrt(v.x * v.x + v.z * v.z);
    if (level < 0.05f || v.Length() < 0.05f) continue;
    // From the start orientation the two turns add no roll.
    ObjectMoveableX fresh(&mObject);
    fresh.SetDirection(v);
    ExpectNear(fresh.mDirection, v.Normalized(), 1e-4f);
    EXPECT_NEAR(fresh.mRight.y, 0.0f, 1e-4f);
    ExpectOrthonormal(fresh);
    // From wherever the last call left it, the direction is still met.
    mMoveable.SetDirection(v * 40.0f);
    ExpectNear(mMoveable.mDirection, v.Normalized(), 1e-3f);
    ExpectOrthonormal(mMoveable, 1e-3f);
  }
}

TEST_F(MoveTest, SetDirectionParallelToUpLeavesTheYaw) {
  mMoveable.SetDirection({1.0f, 0.0f, 1.0f});
  const Vector3fX right = mMoveable.mRight;
  mMoveable.SetDirection({0.0f, 5.0f, 0.0f});
  ExpectNear(mMoveable.mRight, right);
  ExpectNear(mMoveable.mDirection, {0, 1, 0});
}

TEST_F(MoveTest, SetDirectionSurvivesTheNextUpdateWithAbsoluteAngles) {
  mMoveable.mUseAngles = true;
  mMoveable.SetMaxPitch(kMaxPitch);
  const Vector3fX spawn{0.98438f, -0.05497f, 0.16724f};
  mMoveable.SetDirection(spawn);
  mMoveable.Update(0.0f);
  ExpectNear(mMoveable.mDirection, spawn.Normalized(), 1e-4f);
}

TEST_F(MoveTest, SwitchingToAbsoluteAnglesKeepsTheFacing) {
  mMoveable.SetDirection({-1.0f, 0.3f, -1.0f});
  const Vector3fX facing = mMoveable.mDirection;
  mMoveable.SetUseAngles(true);
  mMoveable.Update(0.0f);
  ExpectNear(mMoveable.mDirection, facing);
}

TEST_F(MoveTest, WorldMatrixHasTheBasisRowsThePositionAndTheLocalPlacement) {
  mMoveable.mPosition = {10.0f, 20.0f, 30.0f};
  mMoveable.mRotationSpeed[1] = kPi / 2;
  mMoveable.mLocalMatrix.m[3][1] = -5.0f;  // the model sits 5 below the object's centre
  mMoveable.Update(1.0f);
  const Matrix4X& w = mMoveable.mWorldMatrix;
  ExpectNear({w.m[0][0], w.m[0][1], w.m[0][2]}, mMoveable.mRight);
  ExpectNear({w.m[1][0], w.m[1][1], w.m[1][2]}, mMoveable.mUp);
  ExpectNear({w.m[2][0], w.m[2][1], w.m[2][2]}, mMoveable.mDirection);
  ExpectNear({w.m[3][0], w.m[3][1], w.m[3][2]}, {10.0f, 15.0f, 30.0f});
}

TEST_F(MoveTest, SnapshotsGoToTheGivenSlotOnlyAndCarryThisFramesMatrix) {
  mMoveable.TakeRenderSnapshotBoth();
  mMoveable.mSpeed = 1.0f;
  mMoveable.Update(1.0f);  // no frame hand-off: the engine builds slot 0
  EXPECT_FLOAT_EQ(mMoveable.GetRenderPosition(0).z, 1.0f);
  EXPECT_FLOAT_EQ(mMoveable.GetRenderMatrix(0).m[3][2], 1.0f);
  EXPECT_FLOAT_EQ(mMoveable.GetRenderPosition(1).z, 0.0f);
  EXPECT_FLOAT_EQ(mMoveable.GetRenderMatrix(1).m[3][2], 0.0f);
  mMoveable.Update(1.0f);
  mMoveable.TakeRenderSnapshot(1);
  EXPECT_FLOAT_EQ(mMoveable.GetRenderPosition(1).z, 2.0f);
  EXPECT_FLOAT_EQ(mMoveable.GetRenderMatrix(1).m[3][2], 2.0f);
  // A bad index never reaches outside the two slots.
  EXPECT_EQ(&mMoveable.GetRenderPosition(-3), &mMoveable.GetRenderPosition(0));
  EXPECT_EQ(&mMoveable.GetRenderMatrix(2), &mMoveable.GetRenderMatrix(0));
}

TEST_F(MoveTest, SoundFrameIsTheEngineSnapshotAndTheBasis) {
  mMoveable.mPosition = {1.0f, 2.0f, 3.0f};
  mMoveable.mRotationSpeed[1] = kPi / 2;
  mMoveable.Update(1.0f);
  mMoveable.mPosition = {9.0f, 9.0f, 9.0f};  // moved after the snapshot: not heard yet
  const SoundFrameX frame = mMoveable.GetSoundFrame();
  EXPECT_FLOAT_EQ(frame.mPosition.x, 1.0f);
  EXPECT_FLOAT_EQ(frame.mPosition.z, 3.0f);
  EXPECT_NEAR(frame.mFront.x, 1.0f, 1e-5f);
  EXPECT_NEAR(frame.mTop.y, 1.0f, 1e-5f);
}

TEST_F(MoveTest, DestroyingAMoveableCutsItsSoundsLoose) {
  auto* shot = new ObjectMoveableX(&mObject);
  shot->mPosition = {4.0f, 5.0f, 6.0f};
  shot->Update(0.0f);
  SoundOwnerLinkX link;
  link.Attach(shot);
  EXPECT_FLOAT_EQ(link.Read().mPosition.y, 5.0f);
  RemoveAndDestroyObjectMoveable(nullptr, shot);  // no device: deleted at once
  EXPECT_TRUE(link.IsOrphaned());
  EXPECT_FLOAT_EQ(link.Read().mPosition.y, 5.0f);
}

TEST_F(MoveTest, TheCollisionHandlerSeesTheWorldMatrixAndTheMesh) {
  MeshX mesh;
  mObject.SetMesh(&mesh);
  mMoveable.mPosition = {3.0f, 4.0f, 5.0f};
  mMoveable.Update(0.0f);
  ICollisionObjectX* collisionObject = &mMoveable;
  EXPECT_EQ(collisionObject->GetCollisionMesh(), &mesh);
  EXPECT_EQ(&collisionObject->GetCollisionMatrix(), &mMoveable.mWorldMatrix);
  EXPECT_EQ(ObjectMoveableX::FromCollisionObject(collisionObject), &mMoveable);

  CollisionHandlerX handler(nullptr);
  EXPECT_TRUE(handler.AddObjectMoveableX(&mMoveable));
  const CollisionHandlerX::CollisionPack* pack = handler.GetPack(&mMoveable);
  ASSERT_NE(pack, nullptr);
  EXPECT_EQ(ObjectMoveableX::FromCollisionObject(pack->mObject), &mMoveable);
  EXPECT_TRUE(handler.RemoveObjectMoveableX(&mMoveable));
  EXPECT_EQ(handler.GetPackCount(), 0u);
}

TEST(MoveAssertTest, AMoveableNeedsItsObject) {
  ReportCaptureX capture;
  ObjectMoveableX orphan(nullptr);
  const std::vector<std::string> asserts = capture.Asserts();
  ASSERT_EQ(asserts.size(), 1u);
  EXPECT_EQ(asserts[0], "ObjectMoveableX::ObjectMoveableX: pobject3DX");
}

}  // namespace
