// The environment and the bots on a small scripted level (a floor and one wall) with the real
// collision handler, a device that draws nothing and no sound: gravity and ground snapping,
// shots, the bot population, and the bot state machine in scripted situations.
#include <gtest/gtest.h>

#include <cmath>

#include "../collision/CollisionTestSupport.h"
#include "GameTestSupport.h"
#include "ReportCaptureX.h"
#include "WorkspaceX.h"

using namespace gametest;

namespace {

constexpr float kFrame = 1.0f / 300.0f;

// A 4000 x 4000 floor at y = 0 and a wall across x = 300..340 (z -500..500, 200 high).
class ScriptedWorldX {
 public:
  ScriptedWorldX()
      : mStructures(mWorkspace.Folder().EnginePath() + "\\"),
        mObjects(mWorkspace.Folder().EnginePath() + "\\", mWorkspace.Assets()),
        mCollision(&mStructures),
        mEnvironment(mServices) {
    std::vector<colltest::TriangleX> triangles;
    colltest::AddTiledQuad(triangles, {-2000, 0, -2000}, {0, 0, 4000}, {4000, 0, 0}, 8);
    colltest::AddBox(triangles, {300, 0, -500}, {340, 200, 500});
    mLevel = colltest::MeshFromTriangles(triangles);
    mLevelObject.SetMesh(&mLevel);
    std::vector<colltest::TriangleX> body;
    colltest::AddBox(body, {-15, -25, -15}, {15, 31, 15});
    mBody = colltest::MeshFromTriangles(body);
    mBody.SetName(StringX("models\\body.md2"));
    mBody.mSections.Clear();
    mBody.mSections.Add(SectionX{0, mBody.mIndexList.Size()});
    mBodyObject.SetMesh(&mBody);
    mServices.mCollisionHandler = &mCollision;
    mServices.mRenderDevice = &mDevice;
    mServices.mObject3DManager = &mObjects;
    mEnvironment.SetCamera(&mCamera);
    mEnvironment.mGravityDirection = {0, -1, 0};
    mEnvironment.mGravity = 600.0f;
    EXPECT_TRUE(mEnvironment.AddWorld(&mLevelObject));
    mCamera.mPosition = mCamera.mLastPosition = {0, 40, -3000};
    FunctionsX::SeedRand(1);
  }
  BotX* Bot(const Vector3fX& position, const Vector3fX& direction) {
    return mEnvironment.PlaceBot(&mBodyObject, &position, &direction);
  }
  void PlaceCamera(const Vector3fX& position) {
    mCamera.mPosition = mCamera.mLastPosition = position;
    mCamera.Update(0.0f);
  }
  // Frames until `done` holds (true) or the count runs out (false).
  template <class F>
  bool RunUntil(uint32_t frames, F done) {
    for (uint32_t i = 0; i < frames; ++i) {
      mCamera.Update(kFrame);
      mEnvironment.Update(kFrame);
      if (done()) return true;
    }
    return false;
  }

  // The asset manager the primitive meshes (shots) come from.
  WorkspaceX mWorkspace;
  MeshX mLevel, mBody;
  Object3DX mLevelObject{StringX("level")};
  Object3DX mBodyObject{StringX("body")};
  CollisionDataStructureManagerX mStructures;
  Object3DManagerX mObjects;
  CollisionHandlerX mCollision;
  ObjectKeepingDeviceX mDevice;
  CameraX mCamera;
  GameServicesX mServices;
  EnviromentHandlerX mEnvironment;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Gravity

TEST(EnvironmentGravityTest, StandsStepsDownFallsLandsAndFallsWithoutGround) {
  ReportCaptureX log;
  ScriptedWorldX world;
  ObjectMoveableX body(&world.mBodyObject);
  body.mRadius = 40.0f;
  body.mUseGravity = true;
  body.mClipping = true;

  // Standing on the floor: stays put.
  body.mPosition = {0, 40, 0};
  world.mEnvironment.ApplyGravity(body, kFrame);
  EXPECT_NEAR(body.mPosition.y, 40.0f, 1e-3f);
  EXPECT_TRUE(body.mOnGround);

  // A step of 15 down keeps it on the ground.
  body.mPosition = {0, 55, 0};
  world.mEnvironment.ApplyGravity(body, kFrame);
  EXPECT_NEAR(body.mPosition.y, 40.0f, 1e-3f);
  EXPECT_EQ(body.mFallSpeed, 0.0f);
  EXPECT_TRUE(body.mOnGround);

  // A drop of 30 is a fall; it lands with its fall speed back to 0.
  body.mPosition = body.mLastPosition = {0, 70, 0};
  world.mEnvironment.ApplyGravity(body, kFrame);
  EXPECT_FALSE(body.mOnGround);
  EXPECT_LT(body.mFallSpeed, 0.0f);
  for (int i = 0; i < 300 && !body.mOnGround; ++i) {
    body.Update(kFrame);
    world.mEnvironment.ApplyGravity(body, kFrame);
  }
  EXPECT_TRUE(body.mOnGround);
  EXPECT_NEAR(body.mPosition.y, 40.0f, 1e-3f);
  EXPECT_EQ(body.mFallSpeed, 0.0f);

  // A jump (fall speed 200 upwards) peaks near 200^2 / (2 * 600) above the ground.
  body.mFallSpeed = 200.0f;
  body.mOnGround = false;
  float peak = body.mPosition.y;
  for (int i = 0; i < 600; ++i) {
    body.Update(kFrame);
    world.mEnvironment.ApplyGravity(body, kFrame);
    peak = std::max(peak, body.mPosition.y);
  }
  EXPECT_NEAR(peak - 40.0f, 200.0f * 200.0f / 1200.0f, 2.0f);
  EXPECT_NEAR(body.mPosition.y, 40.0f, 1e-3f);

  // Beyond the floor's edge there is no ground: it falls, and no unset hit point moves it.
  body.mPosition = {5000, 40, 0};
  body.mOnGround = true;
  body.mFallSpeed = 0.0f;
  world.mEnvironment.ApplyGravity(body, kFrame);
  EXPECT_FALSE(body.mOnGround);
  EXPECT_NEAR(body.mFallSpeed, -600.0f * kFrame, 1e-4f);
  EXPECT_EQ(body.mPosition.x, 5000.0f);
  EXPECT_EQ(body.mPosition.y, 40.0f);

  // With the switch off nothing acts.
  world.mEnvironment.mActive = false;
  world.mEnvironment.ApplyGravity(body, kFrame);
  EXPECT_NEAR(body.mFallSpeed, -600.0f * kFrame, 1e-4f);
  EXPECT_EQ(log.CountReports(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Shots

TEST(EnvironmentShotTest, TargetedShotFliesToTheTargetAndExpiresAfterTwoSeconds) {
  ReportCaptureX log;
  ScriptedWorldX world;
  world.PlaceCamera({0, 40, 0});
  // The camera looks along +z; the target is straight above it.
  const Vector3fX target(0, 2000, 0);
  ObjectMoveableX* shot = world.mEnvironment.Shoot(&world.mCamera, 750.0f, 0.0f, &target, nullptr);
  ASSERT_NE(shot, nullptr);
  const Vector3fX start = Vector3fX(0, 40, 0) + world.mCamera.mDirection * 10.0f;
  EXPECT_NEAR(shot->mPosition.x, start.x, 1e-3f);
  EXPECT_NEAR(shot->mPosition.z, start.z, 1e-3f);
  EXPECT_NEAR(shot->mDirection.y, 1.0f, 1e-3f);
  EXPECT_EQ(shot->mOwner, nullptr);  // the player's shot
  EXPECT_EQ(world.mDevice.mMoveables.count(shot), 1u);
  EXPECT_TRUE(world.mEnvironment.IsDynamicObject(shot));

  // At exactly 2.0 s the shot still lives; the first frame beyond retires and destroys it.
  for (int i = 0; i < 4; ++i) world.mEnvironment.Update(0.5f);
  EXPECT_EQ(world.mEnvironment.GetNumberOfShots(), 1u);
  EXPECT_GT(shot->mPosition.y, 1000.0f);
  world.mEnvironment.Update(0.5f);
  EXPECT_EQ(world.mEnvironment.GetNumberOfShots(), 0u);
  EXPECT_EQ(world.mEnvironment.GetNumberOfDynamicObjects(), 0u);
  EXPECT_EQ(world.mEnvironment.GetShotsDestroyed(), 1u);
  EXPECT_TRUE(world.mDevice.mMoveables.empty());
  EXPECT_EQ(log.CountReports(), 0u);
}

TEST(EnvironmentShotTest, ShotsBounceOffTheWallAndBotShotsHitThePlayer) {
  ReportCaptureX log;
  ScriptedWorldX world;
  world.mEnvironment.SetCounters(100, 0);
  // A shot at the wall comes back.
  world.PlaceCamera({200, 100, 0});
  world.mCamera.SetDirection({1, 0, 0});
  ObjectMoveableX* shot = world.mEnvironment.Shoot(&world.mCamera, 750.0f, 0.0f, nullptr, nullptr);
  ASSERT_NE(shot, nullptr);
  for (int i = 0; i < 100; ++i) world.mEnvironment.Update(kFrame);
  EXPECT_LT(shot->mDirection.x, -0.99f);
  EXPECT_LT(shot->mPosition.x, 300.0f);

  // A bot's shot that reaches the player costs one hit and is retired.
  BotX* bot = world.Bot({0, 25, 600}, {0, 0, 1});  // the player is behind it
  world.PlaceCamera({0, 40, 300});
  const Vector3fX target = world.mCamera.mPosition;
  const Vector3fX offset(0, 12, 0);
  ObjectMoveableX* botShot = world.mEnvironment.Shoot(bot, 1200.0f, 0.0f, &target, &offset);
  EXPECT_EQ(botShot->mOwner, bot);
  for (int i = 0; i < 200 && world.mEnvironment.IsDynamicObject(botShot); ++i) {
    world.mEnvironment.Update(kFrame);
  }
  EXPECT_FALSE(world.mEnvironment.IsDynamicObject(botShot));
  EXPECT_EQ(world.mEnvironment.GetHitCounter(), 99);
  EXPECT_EQ(log.CountReports(), 0u);
}

// ---------------------------------------------------------------------------------------------
// The bot population

TEST(EnvironmentBotsTest, TheLimitIsLoggedAndKillAllKillsWithoutReplacements) {
  ReportCaptureX log;
  ScriptedWorldX world;
  world.mEnvironment.mMaxBots = 3;
  for (int i = 0; i < 3; ++i) world.Bot({float(i) * 200.0f - 1000.0f, 25, 0}, {0, 0, 1});
  world.mEnvironment.AddBot();
  EXPECT_TRUE(log.Has("Max number of bots reached : 3"));
  EXPECT_EQ(world.mEnvironment.GetNumberOfBots(), 3u);

  world.mEnvironment.SetCounters(100, 0);
  world.mEnvironment.KillAllBots();
  for (BotX* bot : world.mEnvironment.GetBots()) EXPECT_TRUE(bot->IsDead());
  world.mEnvironment.AddBot();  // refused: bots are disabled now
  EXPECT_EQ(world.mEnvironment.GetNumberOfBots(), 3u);
  // The deaths count, and after the death animation (2 s) the bots are gone, not replaced.
  world.RunUntil(1, [] { return false; });
  EXPECT_EQ(world.mEnvironment.GetKillCounter(), 3);
  EXPECT_TRUE(world.RunUntil(900, [&] { return world.mEnvironment.GetNumberOfBots() == 0; }));
  EXPECT_EQ(world.mEnvironment.GetBotsRemoved(), 3u);
  EXPECT_EQ(world.mCollision.GetPackCount(), 0u);
  EXPECT_TRUE(world.mDevice.mMoveables.empty());
  // EnableAndAddBot turns the bots back on (the limit check comes first here).
  world.mEnvironment.mMaxBots = 0;
  world.mEnvironment.EnableAndAddBot();
  EXPECT_TRUE(world.mEnvironment.mBotsEnabled);
  EXPECT_EQ(log.CountReports(), 0u);
}

TEST(EnvironmentBotsTest, SpawnRowsFollowRandAndABotKeepsItsSpawnDirection) {
  Vector3fX position, direction;
  EnviromentHandlerX::GetSpawnPoint(17, position, direction);
  EXPECT_FLOAT_EQ(position.x, -1525.4681f);
  EXPECT_FLOAT_EQ(direction.x, 0.99795f);
  EnviromentHandlerX::GetSpawnPoint(16, position, direction);
  EXPECT_FLOAT_EQ(position.z, -1384.1842f);

  ScriptedWorldX world;
  BotX* bot = world.Bot({-1000, 25, 0}, {1, 0, 0});
  world.PlaceCamera({-1000, 40, -1900});  // behind it: never seen
  world.RunUntil(300, [] { return false; });
  EXPECT_EQ(bot->mState, uint32_t(BotX::STATE_SEARCHING));
  EXPECT_NEAR(bot->mDirection.x, 1.0f, 1e-3f);
  EXPECT_NEAR(bot->mPosition.x, -1000.0f + 110.0f, 2.0f);
  EXPECT_NEAR(bot->mPosition.z, 0.0f, 0.5f);
  EXPECT_NEAR(bot->mPosition.y, 25.0f, 0.01f);
}

// ---------------------------------------------------------------------------------------------
// Bot states

TEST(BotStateTest, TargetInSightAndRangeIsChasedThenShotAtOncePerQuarterSecond) {
  ReportCaptureX log;
  ScriptedWorldX world;
  BotX* bot = world.Bot({0, 25, 0}, {0, 0, 1});
  world.PlaceCamera({0, 40, 2000});
  std::vector<uint32_t> states;
  uint32_t shotsSeen = 0;
  Vector3fX firstShot;
  Vector3fX botAtFirstShot;
  for (int i = 0; i < 300; ++i) {
    world.RunUntil(1, [] { return false; });
    if (states.empty() || states.back() != bot->mState) states.push_back(bot->mState);
    if (world.mEnvironment.GetShotsFired() > shotsSeen && shotsSeen == 0) {
      firstShot = world.mEnvironment.GetShots()[0].mShot->mPosition;
      botAtFirstShot = bot->mPosition;
    }
    shotsSeen = world.mEnvironment.GetShotsFired();
  }
  ASSERT_GE(states.size(), 3u);
  EXPECT_EQ(states[0], uint32_t(BotX::STATE_SEARCHING));
  EXPECT_EQ(states[1], uint32_t(BotX::STATE_CHASING));
  EXPECT_EQ(states[2], uint32_t(BotX::STATE_SHOOTING));
  // One second of shooting: at most one shot per 0.25 s.
  EXPECT_GE(shotsSeen, 2u);
  EXPECT_LE(shotsSeen, 4u);
  // The shot starts 12 above the bot and 10 ahead of it.
  EXPECT_NEAR(firstShot.y, botAtFirstShot.y + 12.0f, 0.5f);
  EXPECT_NEAR(firstShot.z, botAtFirstShot.z + 10.0f, 0.5f);
  EXPECT_EQ(log.CountReports(), 0u);
}

TEST(BotStateTest, OutOfRangeBehindOrBlockedTargetsAreNotShot) {
  {
    ScriptedWorldX world;  // 2400 ahead: seen, chased, not shot
    BotX* bot = world.Bot({0, 25, -1200}, {0, 0, 1});
    world.PlaceCamera({0, 40, 1200});
    world.RunUntil(30, [] { return false; });
    EXPECT_EQ(bot->mState, uint32_t(BotX::STATE_CHASING));
    EXPECT_EQ(world.mEnvironment.GetShotsFired(), 0u);
  }
  {
    ScriptedWorldX world;  // behind: never seen
    BotX* bot = world.Bot({0, 25, 0}, {0, 0, 1});
    world.PlaceCamera({0, 40, -300});
    world.RunUntil(60, [] { return false; });
    EXPECT_EQ(bot->mState, uint32_t(BotX::STATE_SEARCHING));
  }
  {
    ScriptedWorldX world;  // another bot in the line of sight
    BotX* bot = world.Bot({0, 25, -1000}, {0, 0, 1});
    BotX* blocker = world.Bot({0, 25, 0}, {0, 0, -1});
    blocker->mSpeed = 0.0f;
    world.PlaceCamera({0, 40, 1000});
    float angle = 0.0f;
    Vector3fX direction;
    bot->mTargetPosition = world.mCamera.mPosition;
    EXPECT_FALSE(bot->CanSeeTarget(angle, direction));
    blocker->mPosition = {500, 25, 0};
    blocker->UpdateWorldMatrix();
    EXPECT_TRUE(bot->CanSeeTarget(angle, direction));
    EXPECT_NEAR(angle, 0.0f, 0.01f);
  }
}

TEST(BotStateTest, TurnsTowardsATargetOnEitherSide) {
  for (float side : {-1.0f, 1.0f}) {
    ScriptedWorldX world;
    BotX* bot = world.Bot({-1000, 25, 0}, {0, 0, 1});
    world.PlaceCamera({-1000 + side * 1000.0f, 40, 1000});
    float angle = 0.0f;
    Vector3fX direction;
    bot->mTargetPosition = world.mCamera.mPosition;
    ASSERT_TRUE(bot->CanSeeTarget(angle, direction));
    EXPECT_NEAR(std::fabs(angle), 0.785f, 0.01f);
    EXPECT_TRUE(world.RunUntil(600, [&] { return bot->mState == BotX::STATE_SHOOTING; }))
        << "side " << side;
  }
}

TEST(BotStateTest, HitObstacleTurnsAwayForItsDrawnTimeThenSearches) {
  ReportCaptureX log;
  ScriptedWorldX world;
  BotX* bot = world.Bot({200, 25, 0}, {1, 0, 0});
  world.PlaceCamera({-1900, 40, -1900});
  bool hit = false;
  for (int i = 0; i < 600 && !hit; ++i) {
    world.RunUntil(1, [] { return false; });
    EXPECT_LT(bot->mPosition.x, 300.0f - 14.9f);
    hit = bot->mState == BotX::STATE_HITOBSTACLE;
  }
  ASSERT_TRUE(hit);
  // The entry step draws the turn and its length from rand on the next update.
  world.RunUntil(1, [] { return false; });
  EXPECT_EQ(bot->mSpeed, 0.0f);
  EXPECT_GE(bot->mRotationSpeed[1], -5.01f);
  EXPECT_LE(bot->mRotationSpeed[1], 5.0f);
  EXPECT_GE(bot->mStateDuration, 0.01f);
  EXPECT_LE(bot->mStateDuration, 0.5f);
  const float duration = bot->mStateDuration;
  const uint32_t frames = static_cast<uint32_t>(duration / kFrame) + 2;
  EXPECT_TRUE(world.RunUntil(frames, [&] { return bot->mState == BotX::STATE_SEARCHING; }));
  EXPECT_EQ(bot->mRotationSpeed[1], 0.0f);
  EXPECT_EQ(log.CountReports(), 0u);
}

TEST(BotStateTest, HealthGoneByShotsDiesOnceStaysDeadAndIsRemoved) {
  ReportCaptureX log;
  ScriptedWorldX world;
  world.mEnvironment.mMaxBots = 1;  // the replacement is refused
  world.mEnvironment.SetCounters(100, 0);
  BotX* bot = world.Bot({0, 25, 0}, {1, 0, 0});
  bot->mSpeed = 0.0f;
  world.PlaceCamera({0, 40, -400});
  int shots = 0;
  for (int i = 0; i < 30 && !bot->IsDead(); ++i) {
    const Vector3fX target = bot->mPosition + Vector3fX(0, 5, 0);
    world.mEnvironment.Shoot(&world.mCamera, 3000.0f, 0.0f, &target, nullptr);
    ++shots;
    world.RunUntil(60, [] { return false; });
  }
  ASSERT_TRUE(bot->IsDead());
  EXPECT_EQ(shots, 11);  // 10 health, dead below 0
  world.RunUntil(1, [] { return false; });
  EXPECT_EQ(world.mEnvironment.GetKillCounter(), 1);
  EXPECT_TRUE(log.Has("Max number of bots reached : 1"));

  // A collision does not bring it back.
  bot->mLastPosition = {250, 25, 0};
  bot->mPosition = {320, 25, 0};
  world.mEnvironment.CollisionStep(kFrame);
  EXPECT_LT(bot->mPosition.x, 300.0f);
  EXPECT_TRUE(bot->IsDead());
  bot->TakeDamage(5.0f);
  world.RunUntil(1, [] { return false; });
  EXPECT_EQ(world.mEnvironment.GetKillCounter(), 1);

  EXPECT_TRUE(world.RunUntil(700, [&] { return world.mEnvironment.GetNumberOfBots() == 0; }));
  EXPECT_EQ(world.mEnvironment.GetBots().Size(), 0u);
  EXPECT_EQ(log.CountReports(), 0u);
}

TEST(BotStateTest, AnimationStepsThroughItsRange) {
  ScriptedWorldX world;
  BotX* bot = world.Bot({0, 25, 0}, {0, 0, 1});
  bot->mFrameFrom = bot->mFrameTo = bot->mLastWholeFrame = 0;
  bot->mFramePosition = 0.0f;
  // Animation 3: frames 92..99 in one second, 7 frames a second.
  const uint32_t expectedFrom[] = {93, 94, 95, 96, 97, 98, 99, 92, 93, 94};
  for (uint32_t step = 0; step < 10; ++step) {
    bot->AdvanceAnimation(3, 1.0f / 7.0f + 1e-4f);
    EXPECT_EQ(bot->mFrame, expectedFrom[step]) << step;
    EXPECT_EQ(bot->mFrameTo, expectedFrom[step] == 99 ? 92u : expectedFrom[step] + 1) << step;
  }
}
