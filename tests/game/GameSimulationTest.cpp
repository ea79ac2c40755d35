// The whole game without a window or sound: the real set-up over the generated city and bot
// model, then many frames at a fixed time step with a scripted player who walks, turns and
// fires. Nobody ends inside solid or below the map, shots expire, bots die and are replaced, and
// the same run twice ends in the same positions.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "GameTestSupport.h"

using namespace gametest;

namespace {

constexpr float kFrame = 1.0f / 300.0f;
// 20,000 frames of 1/300 s: 67 seconds of play.
constexpr uint32_t kFrames = 20000;
constexpr float kSolidRadius = 1.0f;

struct RunResultX {
  std::vector<Vector3fX> mPositions;  // the camera, then every bot
  uint32_t mShotsFired = 0;
  uint32_t mShotsDestroyed = 0;
  uint32_t mBotsRemoved = 0;
  int32_t mKills = 0;
  int32_t mHits = 0;
  uint32_t mBotsAtEnd = 0;
  uint32_t mMaxShotsAlive = 0;
  uint32_t mInsideSolid = 0;
  uint32_t mBelowMap = 0;
  std::string mFirstFault;
};

// The scripted player: walks and turns slowly, fires every 0.1 s, kills all bots once at 30 s
// and lets them come back at 35 s.
void ScriptPlayer(HeadlessGameX& game, uint32_t frame) {
  CameraX& camera = game.mCamera;
  const float t = static_cast<float>(frame) * kFrame;
  camera.mSpeed = 300.0f;
  camera.mRotationSpeed[1] = 0.6f * std::sin(t * 0.4f);
  if (frame % 30 == 0) game.mEnvironment->Shoot(&camera, 750.0f, 0.0f);
  if (frame == 9000) game.mEnvironment->KillAllBots();
  if (frame == 10500) {
    for (int i = 0; i < 20; ++i) game.mEnvironment->EnableAndAddBot();
  }
}

// Inside solid: the centre touches a surface, or its move since the last check went through
// one. (Snapping down a step of up to 20 units may leave the sphere's rim over the step's edge:
// that is the described ground snapping, not a way into solid.)
void CheckPlace(const HeadlessGameX& game, const Movement3DX& object, float floor, const char* what,
                uint32_t frame, std::map<const void*, Vector3fX>& last, RunResultX& result) {
  bool inside = game.mCollision->TestSphere(object.mPosition, kSolidRadius);
  auto previous = last.find(&object);
  if (!inside && previous != last.end()) {
    const Vector3fX move = object.mPosition - previous->second;
    const float length = move.Length();
    CollisionResultX hit;
    if (length > 1e-3f &&
        game.mCollision->TestRay(previous->second, move * (1.0f / length), hit, true)) {
      inside = (hit.mPoint - previous->second).Length() < length;
    }
  }
  last[&object] = object.mPosition;
  auto where = [&] {
    return std::string(what) + " at frame " + std::to_string(frame) + " at " +
           std::to_string(object.mPosition.x) + " " + std::to_string(object.mPosition.y) + " " +
           std::to_string(object.mPosition.z);
  };
  if (inside) {
    if (result.mFirstFault.empty()) result.mFirstFault = "inside solid: " + where();
    ++result.mInsideSolid;
  }
  if (object.mPosition.y < floor) {
    if (result.mFirstFault.empty()) result.mFirstFault = "below the map: " + where();
    ++result.mBelowMap;
  }
}

RunResultX RunGame(uint32_t frames) {
  RunResultX result;
  FunctionsX::SeedRand(1);
  HeadlessGameX game;
  if (!game.Available() || !game.SetUp()) return result;
  const float floor = game.MapFloor();
  std::map<const void*, Vector3fX> last;
  uint32_t removedSeen = 0;
  for (uint32_t frame = 0; frame < frames; ++frame) {
    ScriptPlayer(game, frame);
    game.Frame(kFrame);
    // Removed bots' addresses may come back for new bots.
    if (game.mEnvironment->GetBotsRemoved() != removedSeen) {
      last.clear();
      removedSeen = game.mEnvironment->GetBotsRemoved();
    }
    CheckPlace(game, game.mCamera, floor, "the player", frame, last, result);
    for (const BotX* bot : game.mEnvironment->GetBots()) {
      CheckPlace(game, *bot, floor, "a bot", frame, last, result);
    }
    result.mMaxShotsAlive = std::max(result.mMaxShotsAlive, game.mEnvironment->GetNumberOfShots());
  }
  result.mPositions.push_back(game.mCamera.mPosition);
  for (const BotX* bot : game.mEnvironment->GetBots()) result.mPositions.push_back(bot->mPosition);
  result.mShotsFired = game.mEnvironment->GetShotsFired();
  result.mShotsDestroyed = game.mEnvironment->GetShotsDestroyed();
  result.mBotsRemoved = game.mEnvironment->GetBotsRemoved();
  result.mKills = game.mEnvironment->GetKillCounter();
  result.mHits = game.mEnvironment->GetHitCounter();
  result.mBotsAtEnd = game.mEnvironment->GetNumberOfBots();
  // Every shot still flying is drawn, and nothing else besides the bots.
  EXPECT_EQ(game.mDevice.mMoveables.size(),
            game.mEnvironment->GetNumberOfDynamicObjects() + game.mEnvironment->GetBots().Size());
  return result;
}

}  // namespace

TEST(GameSimulationTest, SetUpBuildsTheWorldAndALongRunKeepsEveryoneInItAndRepeatsExactly) {
  ReportCaptureX log;
  {
    HeadlessGameX game;
    if (!game.Available()) GTEST_SKIP() << "no generated Resources tree";
    // This first set-up also leaves the collision trees in SavedData, so both runs below load
    // them and draw the same random numbers.
    ASSERT_TRUE(game.SetUp());
    EXPECT_TRUE(log.Has("Adding bots"));
    EXPECT_TRUE(log.Has("Finished adding bots"));
    EXPECT_EQ(game.mEnvironment->GetNumberOfBots(), 20u);
    EXPECT_EQ(game.mCollision->GetPackCount(), 20u);
    EXPECT_EQ(game.mDevice.mMoveables.size(), 20u);
    EXPECT_EQ(game.mDevice.mObjects.size(), 1u);  // the city
    EXPECT_EQ(game.mEnvironment->GetHitCounter(), 100);
    EXPECT_EQ(game.mEnvironment->GetKillCounter(), 0);
    EXPECT_EQ(game.mWeapon.mShotSpeed, 750.0f);
    EXPECT_EQ(game.mWeapon.mFireInterval, 0.1f);
    EXPECT_TRUE(game.mCamera.mUseGravity);
    EXPECT_TRUE(game.mCamera.mClipping);
    EXPECT_EQ(game.mEnvironment->mGravity, 600.0f);
    for (const BotX* bot : game.mEnvironment->GetBots()) {
      EXPECT_EQ(bot->mRadius, 25.0f);
      EXPECT_TRUE(bot->mUseGravity);
      EXPECT_NE(bot->GetObject3DX()->mFlag, 0);
    }
    game.mEnvironment->AddBot();
    EXPECT_TRUE(log.Has("Max number of bots reached : 20"));
  }
  const RunResultX first = RunGame(kFrames);
  EXPECT_EQ(first.mInsideSolid, 0u) << first.mFirstFault;
  EXPECT_EQ(first.mBelowMap, 0u) << first.mFirstFault;
  // The player fires every 0.1 s and every shot lives 2 s at most.
  EXPECT_GE(first.mShotsFired, kFrames / 30);
  EXPECT_GE(first.mShotsDestroyed, first.mShotsFired - first.mMaxShotsAlive);
  EXPECT_LE(first.mMaxShotsAlive, first.mShotsFired);
  // Bots died (killed all at once, and by shots) and were removed and replaced.
  EXPECT_GT(first.mKills, 20);  // the kill-all and deaths by shots
  EXPECT_GE(first.mBotsRemoved, 20u);
  // A replacement is refused while 20 bots still count (the dying one leaves later), so bots
  // dying together thin the population out.
  EXPECT_GE(first.mBotsAtEnd, 10u);
  EXPECT_EQ(log.CountReports(), 0u);

  const RunResultX second = RunGame(kFrames);
  ASSERT_EQ(first.mPositions.size(), second.mPositions.size());
  for (size_t i = 0; i < first.mPositions.size(); ++i) {
    EXPECT_EQ(first.mPositions[i].x, second.mPositions[i].x) << i;
    EXPECT_EQ(first.mPositions[i].y, second.mPositions[i].y) << i;
    EXPECT_EQ(first.mPositions[i].z, second.mPositions[i].z) << i;
  }
  EXPECT_EQ(first.mShotsFired, second.mShotsFired);
  EXPECT_EQ(first.mKills, second.mKills);
  EXPECT_EQ(first.mHits, second.mHits);
  std::printf(
      "frames %u: shots fired %u, destroyed %u, most alive %u; kills %d; bots removed %u, "
      "at end %u; player hit counter %d\n",
      kFrames, first.mShotsFired, first.mShotsDestroyed, first.mMaxShotsAlive, first.mKills,
      first.mBotsRemoved, first.mBotsAtEnd, first.mHits);
}
