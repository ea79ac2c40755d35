// Game controls: synthetic key and mouse states through the real input handler, a recording
// render device and a recording game world.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "CursorStandInX.h"
#include "NullRenderDeviceX.h"
#include "ReportCaptureX.h"
#include "engine/InputHandlerX.h"
#include "game/CameraX.h"
#include "game/WeaponSettingsX.h"

namespace {

using W = WeaponSettingsX;

class RecordingDevice : public NullRenderDeviceX {
 public:
  void SetFieldOfView(float fieldOfView) override { mFieldsOfView.push_back(fieldOfView); }
  void CycleFillMode() override { ++mCalls["CycleFillMode"]; }
  void ToggleBackfaceCulling() override { ++mCalls["ToggleBackfaceCulling"]; }
  void DebugDrawBSPTreeToggle() override { ++mCalls["DebugDrawBSPTreeToggle"]; }
  void DebugDrawEdgesToggle() override { ++mCalls["DebugDrawEdgesToggle"]; }
  void DebugDrawShadowVolumesToggle() override { ++mCalls["DebugDrawShadowVolumesToggle"]; }
  void ToggleFullClearBackBuffer() override { ++mCalls["ToggleFullClearBackBuffer"]; }
  void DebugDrawNormalToggle() override { ++mCalls["DebugDrawNormalToggle"]; }

  std::map<std::string, int> mCalls;
  std::vector<float> mFieldsOfView;
};

class RecordingGame : public IGameControlsTargetX {
 public:
  void Shoot(CameraX* shooter, float speed, float advance) override {
    EXPECT_NE(shooter, nullptr);
    mSpeeds.push_back(speed);
    mAdvances.push_back(advance);
  }
  void AddBot() override { ++mAddBot; }
  void EnableAndAddBot() override { ++mEnableAndAddBot; }
  void KillAllBots() override { ++mKillAllBots; }
  bool ToggleActive() override { return mActive = !mActive; }

  std::vector<float> mSpeeds, mAdvances;
  int mAddBot = 0, mEnableAndAddBot = 0, mKillAllBots = 0;
  bool mActive = true;
};

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mLog.Clear();  // only what the test does
    mControls.mInput = &mInput;
    mControls.mCamera = &mCamera;
    mControls.mRenderDevice = &mDevice;
    mControls.mGame = &mGame;
    mControls.mQuit = [this] { ++mQuits; };
    mCamera.mRadius = 40.0f;
  }
  // One engine frame: input update, controls, end of frame.
  void Frame(float dt) {
    mInput.Update(dt);
    mWeapon.Update(dt, mControls);
    mInput.EndFrame();
  }
  // Presses a key for one frame and lets it go in the next.
  void Tap(uint8_t key, float dt = 0.01f) {
    mInput.SetKey(key, true);
    Frame(dt);
    mInput.SetKey(key, false);
    Frame(dt);
  }

  ReportCaptureX mLog;
  CursorStandInX mCursor{400.0f, 300.0f};
  InputHandlerX mInput{800, 600, &mCursor};
  CameraX mCamera;
  RecordingDevice mDevice;
  RecordingGame mGame;
  WeaponSettingsX mWeapon;
  GameControlsX mControls;
  int mQuits = 0;
};

TEST_F(ControlsTest, WalkingSpeedsUpQuicklyFromRestThenSlowly) {
  mInput.SetKey(W::KEY_W, true);
  Frame(0.01f);
  EXPECT_NEAR(mWeapon.GetForwardFactor(), 0.1f, 1e-6f);  // 10 per second from rest
  Frame(0.01f);
  EXPECT_NEAR(mWeapon.GetForwardFactor(), 0.15f, 1e-6f);  // 5 per second once moving
  for (int i = 0; i < 16; ++i) Frame(0.01f);
  EXPECT_LT(mWeapon.GetForwardFactor(), 1.0f);
  for (int i = 0; i < 3; ++i) Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetForwardFactor(), 1.0f);
  EXPECT_FLOAT_EQ(mCamera.mSpeed, 300.0f);
  EXPECT_FLOAT_EQ(mCamera.mStrafeSpeed, 0.0f);

  mInput.SetKey(W::KEY_D, true);
  for (int i = 0; i < 30; ++i) Frame(0.01f);
  EXPECT_NEAR(mCamera.mSpeed, 212.13203f, 1e-3f);
  EXPECT_NEAR(mCamera.mStrafeSpeed, 212.13203f, 1e-3f);
}

TEST_F(ControlsTest, ArrowsMoveLikeTheLettersAndBackwardsWins) {
  mInput.SetKey(W::KEY_DOWN, true);
  mInput.SetKey(W::KEY_LEFT, true);
  Frame(0.01f);
  EXPECT_LT(mCamera.mSpeed, 0.0f);
  EXPECT_LT(mCamera.mStrafeSpeed, 0.0f);
  mInput.SetKey(W::KEY_UP, true);  // forward is read first
  Frame(0.01f);
  EXPECT_NEAR(mWeapon.GetForwardFactor(), 0.0f, 1e-6f);  // -0.1 reversed at 10 per second
}

TEST_F(ControlsTest, LettingGoSnapsSmallFactorsAndSlowsLargeOnes) {
  mWeapon.SetMovementFactors(0.015f, -0.5f, 1.0f);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetForwardFactor(), 0.0f);
  for (int i = 0; i < 8; ++i) Frame(0.01f);
  EXPECT_LT(mWeapon.GetStrafeFactor(), 0.0f);
  for (int i = 0; i < 2; ++i) Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetStrafeFactor(), 0.0f);
  EXPECT_FLOAT_EQ(mCamera.mStrafeSpeed, 0.0f);
}

TEST_F(ControlsTest, InTheAirOnlyAReversalTakesEffect) {
  mCamera.mOnGround = false;
  mInput.SetKey(W::KEY_W, true);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetForwardFactor(), 0.2f);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetForwardFactor(), 0.2f);  // no acceleration while falling
  mInput.SetKey(W::KEY_W, false);
  mInput.SetKey(W::KEY_S, true);
  mInput.SetKey(W::KEY_D, true);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.GetForwardFactor(), -0.2f);
  EXPECT_FLOAT_EQ(mWeapon.GetStrafeFactor(), 0.2f);
  EXPECT_FLOAT_EQ(mWeapon.GetDiagonalFactor(), 0.9f);
  EXPECT_FLOAT_EQ(mCamera.mSpeed, -0.2f * 300.0f * 0.9f);
}

TEST_F(ControlsTest, FlyingGoesAtFiveHundredWithoutStrafing) {
  mCamera.mClipping = false;
  mInput.SetKey(W::KEY_S, true);
  mInput.SetKey(W::KEY_A, true);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mCamera.mSpeed, -500.0f);
  EXPECT_FLOAT_EQ(mCamera.mStrafeSpeed, 0.0f);
}

TEST_F(ControlsTest, JumpOnlyFromTheGround) {
  mInput.SetKey(W::KEY_SPACE, true);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mCamera.mFallSpeed, 200.0f);
  EXPECT_FALSE(mCamera.mOnGround);
  mCamera.mFallSpeed = -10.0f;
  mInput.SetKey(W::KEY_SPACE, false);
  Tap(W::KEY_CONTROL);
  EXPECT_FLOAT_EQ(mCamera.mFallSpeed, -10.0f);
  mCamera.mOnGround = true;
  Frame(0.01f);  // nothing pressed
  EXPECT_TRUE(mCamera.mOnGround);
  Tap(W::KEY_CONTROL);
  EXPECT_FALSE(mCamera.mOnGround);
}

TEST_F(ControlsTest, EndSwitchesClippingAndKeepsTheFacing) {
  mCamera.SetDirection({1.0f, 0.0f, 0.0f});
  Tap(W::KEY_END);
  EXPECT_FALSE(mGame.mActive);
  EXPECT_FALSE(mCamera.mClipping);
  EXPECT_TRUE(mCamera.mOnGround);
  EXPECT_FALSE(mCamera.mUseAngles);
  Tap(W::KEY_END);
  EXPECT_TRUE(mGame.mActive);
  EXPECT_TRUE(mCamera.mClipping);
  EXPECT_FALSE(mCamera.mOnGround);
  EXPECT_TRUE(mCamera.mUseAngles);
  mCamera.Update(0.0f);
  EXPECT_NEAR(mCamera.mDirection.x, 1.0f, 1e-4f);
  ASSERT_EQ(mLog.Logs().size(), 2u);
  EXPECT_EQ(mLog.Logs()[0], "Clipping off, free floating camera");
  EXPECT_EQ(mLog.Logs()[1], "Clipping on, camera locked to ground with gravity");
}

TEST_F(ControlsTest, CrouchLowersTheEyeUnlessClimbing) {
  mInput.SetKey(W::KEY_SHIFT, true);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mCamera.mRadius, 16.0f);
  Frame(0.01f);  // nothing resets it in between: it stays at the crouch height
  EXPECT_FLOAT_EQ(mCamera.mRadius, 16.0f);
  mInput.SetKey(W::KEY_SHIFT, false);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mCamera.mRadius, 40.0f);
  mCamera.mClimbing = true;
  mCamera.mRadius = 55.0f;
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mCamera.mRadius, 55.0f);
}

TEST_F(ControlsTest, MouseUnitsTurnTheCameraBy1Over200Radian) {
  mCursor.mX += 40.0f;  // 10 mouse units after the input handler's scaling
  mCursor.mY -= 20.0f;
  Frame(0.02f);
  EXPECT_FLOAT_EQ(mCamera.mRotationSpeed[0], 0.0f);
  EXPECT_FLOAT_EQ(mCamera.mRotationSpeed[1] * 0.02f, 10.0f / 200.0f);
  EXPECT_FLOAT_EQ(mCamera.mRotationSpeed[2] * 0.02f, -5.0f / 200.0f);
  mCamera.Update(0.02f);
  EXPECT_NEAR(mCamera.mDirection.x, std::sin(0.05f), 1e-4f);

  mCursor.mX += 40.0f;
  Frame(0.0f);  // a frame without time
  EXPECT_FLOAT_EQ(mCamera.mRotationSpeed[1], 0.0f);
  mCamera.Update(0.0f);
  EXPECT_TRUE(std::isfinite(mCamera.mDirection.x));
}

TEST_F(ControlsTest, FireOnPressThenEveryIntervalWhileHeld) {
  mWeapon.mFireInterval = 0.1f;
  mInput.SetMouseButtons(true, false);
  Frame(0.01f);
  ASSERT_EQ(mGame.mAdvances.size(), 1u);
  EXPECT_FLOAT_EQ(mGame.mAdvances[0], 0.0f);
  EXPECT_FLOAT_EQ(mGame.mSpeeds[0], 750.0f);
  EXPECT_FLOAT_EQ(mWeapon.mFireTimer, 0.0f);

  Frame(0.35f);
  ASSERT_EQ(mGame.mAdvances.size(), 4u);
  EXPECT_NEAR(mGame.mAdvances[1], 0.25f, 1e-5f);
  EXPECT_NEAR(mGame.mAdvances[2], 0.15f, 1e-5f);
  EXPECT_NEAR(mGame.mAdvances[3], 0.05f, 1e-5f);
  EXPECT_NEAR(mWeapon.mFireTimer, 0.05f, 1e-5f);

  mInput.SetMouseButtons(false, false);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(mWeapon.mFireTimer, 0.1f);
  EXPECT_EQ(mGame.mAdvances.size(), 4u);
}

TEST_F(ControlsTest, HeldFireWithoutAnIntervalShootsOnceAFrame) {
  mWeapon.mFireInterval = 0.0f;
  mInput.SetMouseButtons(true, false);
  Frame(0.01f);
  Frame(0.01f);
  Frame(0.01f);
  EXPECT_EQ(mGame.mAdvances.size(), 3u);
}

TEST_F(ControlsTest, GunModesChangeOnceAndLogTheirLines) {
  Tap(W::KEY_1);
  Tap(W::KEY_1);
  EXPECT_EQ(mWeapon.mGunMode, 3u);
  EXPECT_FLOAT_EQ(mWeapon.mShotSpeed, 3000.0f);
  EXPECT_FLOAT_EQ(mWeapon.mFireInterval, 0.25f);
  Tap(W::KEY_3);
  EXPECT_EQ(mWeapon.mGunMode, 1u);
  EXPECT_FLOAT_EQ(mWeapon.mShotSpeed, 500.0f);
  EXPECT_FLOAT_EQ(mWeapon.mFireInterval, 0.02f);
  Tap(W::KEY_2);
  EXPECT_EQ(mWeapon.mGunMode, 2u);
  EXPECT_FLOAT_EQ(mWeapon.mShotSpeed, 1500.0f);
  EXPECT_FLOAT_EQ(mWeapon.mFireInterval, 0.1f);
  const std::vector<std::string> expected = {"Changed gun to fast speed, show repeat",
                                             "Changed gun to slow speed, slow repeat",
                                             "Changed gun to medium speed, medium repeat"};
  EXPECT_EQ(mLog.Logs(), expected);
}

TEST_F(ControlsTest, RightButtonZoomsAndTellsTheDevice) {
  mInput.SetMouseButtons(false, true);
  Frame(0.01f);
  Frame(0.01f);  // held: no second toggle
  mInput.SetMouseButtons(false, false);
  Frame(0.01f);
  mInput.SetMouseButtons(false, true);
  Frame(0.01f);
  const std::vector<float> expected = {0.19634955f, 0.7853982f};
  EXPECT_EQ(mDevice.mFieldsOfView, expected);
  EXPECT_FALSE(mCamera.mZoomed);
}

TEST_F(ControlsTest, FunctionKeysEachFlipTheirSwitchOncePerPress) {
  const char* names[] = {"CycleFillMode",
                         "ToggleBackfaceCulling",
                         "DebugDrawNormalToggle",
                         "DebugDrawBSPTreeToggle",
                         "DebugDrawEdgesToggle",
                         "DebugDrawShadowVolumesToggle",
                         "ToggleFullClearBackBuffer"};
  for (uint8_t i = 0; i < 7; ++i) {
    mInput.SetKey(static_cast<uint8_t>(W::KEY_F1 + i), true);
    Frame(0.01f);
    Frame(0.01f);  // still held
    mInput.SetKey(static_cast<uint8_t>(W::KEY_F1 + i), false);
    Frame(0.01f);
    EXPECT_EQ(mDevice.mCalls[names[i]], 1) << names[i];
  }
  EXPECT_EQ(mDevice.mCalls.size(), 7u);
}

TEST_F(ControlsTest, BrightnessStaysBetweenZeroAndTen) {
  mInput.SetKey(W::KEY_PLUS, true);
  for (int i = 0; i < 12; ++i) Frame(1.0f);
  EXPECT_FLOAT_EQ(mDevice.GetBrightness(), 10.0f);
  mInput.SetKey(W::KEY_PLUS, false);
  mInput.SetKey(W::KEY_NUMPAD_MINUS, true);
  Frame(0.5f);
  EXPECT_FLOAT_EQ(mDevice.GetBrightness(), 9.5f);
  mInput.SetKey(W::KEY_NUMPAD_MINUS, false);
  mInput.SetKey(W::KEY_MINUS, true);
  for (int i = 0; i < 12; ++i) Frame(1.0f);
  EXPECT_FLOAT_EQ(mDevice.GetBrightness(), 0.0f);
}

TEST_F(ControlsTest, BotKeysReportKeyAndEscapeQuits) {
  Tap(W::KEY_B);
  Tap(W::KEY_J);
  Tap(W::KEY_K);
  EXPECT_EQ(mGame.mAddBot, 1);
  EXPECT_EQ(mGame.mEnableAndAddBot, 1);
  EXPECT_EQ(mGame.mKillAllBots, 1);
  mCamera.mPosition = {1.0f, 2.0f, 3.0f};
  Tap(W::KEY_V);
  ASSERT_EQ(mLog.Logs().size(), 3u);
  EXPECT_EQ(mLog.Logs()[0], "Adding a bot");
  EXPECT_EQ(mLog.Logs()[1], "Killing off all bots");
  EXPECT_EQ(mLog.Logs()[2].rfind("Position:(1", 0), 0u) << mLog.Logs()[2];
  EXPECT_NE(mLog.Logs()[2].find(")   Direction:(0"), std::string::npos) << mLog.Logs()[2];
  EXPECT_EQ(mQuits, 0);
  Tap(W::KEY_ESCAPE);
  EXPECT_EQ(mQuits, 1);
}

TEST_F(ControlsTest, WithoutAGameWorldTheClippingSwitchFlipsTheCameraAlone) {
  mControls.mGame = nullptr;
  mInput.SetMouseButtons(true, false);
  Tap(W::KEY_END);  // and the gun and bot keys do nothing
  EXPECT_FALSE(mCamera.mClipping);
  Tap(W::KEY_B);
  EXPECT_EQ(mGame.mAddBot, 0);
  EXPECT_TRUE(mGame.mAdvances.empty());
}

}  // namespace
