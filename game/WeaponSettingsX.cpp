#include "game/WeaponSettingsX.h"

#include <algorithm>

#include "audio/CSound.h"
#include "audio/SoundX.h"
#include "engine/InputHandlerX.h"
#include "engine/ReportHooksX.h"
#include "foundation/StringX.h"
#include "game/CameraX.h"
#include "render/IRenderDeviceX.h"

namespace {

constexpr float kQuickAcceleration = 10.0f;  // per second, from standing or reversing
constexpr float kAcceleration = 5.0f;        // per second, speeding up or slowing down
constexpr float kSnapToRest = 0.02f;
constexpr float kAirFactor = 0.2f;
constexpr float kAirDiagonal = 0.9f;
constexpr float kDiagonal = 0.70710677f;
constexpr float kFootstepInterval = 1.0f;
constexpr float kStandingFootstepTimer = 10.0f;

// One movement factor on the ground for an input of -1, 0 or +1.
float Accelerate(float factor, int32_t input, float dt) {
  if (input > 0) return factor + dt * (factor > 0.0f ? kAcceleration : kQuickAcceleration);
  if (input < 0) return factor - dt * (factor < 0.0f ? kAcceleration : kQuickAcceleration);
  if (factor >= -kSnapToRest && factor <= kSnapToRest) return 0.0f;
  if (factor > 0.0f) return std::max(0.0f, factor - dt * kAcceleration);
  return std::min(0.0f, factor + dt * kAcceleration);
}

void RewindAndPlay(SoundX* sound) {
  if (!sound || !sound->GetSound()) return;
  sound->GetSound()->Reset();
  sound->GetSound()->Play();
}

void AppendVector(StringX& text, const Vector3fX& v) {
  text += "(";
  text += v.x;
  text += ",";
  text += v.y;
  text += ",";
  text += v.z;
  text += ")";
}

}  // namespace

void WeaponSettingsX::SetMovementFactors(float forward, float strafe, float diagonal) {
  mForwardFactor = forward;
  mStrafeFactor = strafe;
  mDiagonalFactor = diagonal;
}

void WeaponSettingsX::Update(float dt, const GameControlsX& controls) {
  if (!controls.mInput || !controls.mCamera) return;
  const InputHandlerX& input = *controls.mInput;
  CameraX& camera = *controls.mCamera;

  // 1. Movement input.
  int32_t forward = 0;
  if (input.IsKeyDown(KEY_UP) || input.IsKeyDown(KEY_W)) {
    forward = 1;
  } else if (input.IsKeyDown(KEY_DOWN) || input.IsKeyDown(KEY_S)) {
    forward = -1;
  }
  int32_t strafe = 0;
  if (input.IsKeyDown(KEY_LEFT) || input.IsKeyDown(KEY_A)) {
    strafe = -1;
  } else if (input.IsKeyDown(KEY_RIGHT) || input.IsKeyDown(KEY_D)) {
    strafe = 1;
  }

  // 2. and 3. Walking or flying.
  if (camera.mClipping) {
    UpdateWalking(dt, static_cast<float>(forward), static_cast<float>(strafe), camera);
    UpdateFootsteps(dt, camera);
  } else {
    camera.mSpeed = static_cast<float>(forward) * sFlySpeed;
    camera.mStrafeSpeed = 0.0f;
  }

  // 4. Jump.
  if ((input.IsKeyPressed(KEY_CONTROL) || input.IsKeyPressed(KEY_SPACE)) && camera.mOnGround) {
    camera.mFallSpeed = sJumpSpeed;
    camera.mOnGround = false;
  }

  // 5. Clipping.
  if (input.IsKeyPressed(KEY_END)) {
    const bool active = controls.mGame ? controls.mGame->ToggleActive() : !camera.mClipping;
    camera.mClipping = active;
    camera.mOnGround = !active;
    // Keeps the facing when the camera goes over to absolute angles.
    camera.SetUseAngles(active);
    LogMessage(active ? "Clipping on, camera locked to ground with gravity"
                      : "Clipping off, free floating camera");
  }

  // 6. Crouch. Never below the crouching height, also while nothing resets the radius.
  if (!camera.mClimbing) {
    if (input.IsKeyDown(KEY_SHIFT)) {
      camera.mRadius = std::max(sCrouchMinRadius, camera.mRadius - sCrouchStep);
    } else {
      camera.mRadius = sPlayerRadius;
    }
  }

  // 7. Mouse look: dx / 200 and dy / 200 radians in this frame. A frame without time turns by
  // nothing (the speed would be infinite or not a number).
  camera.mRotationSpeed[0] = 0.0f;
  if (dt > 0.0f) {
    camera.mRotationSpeed[1] = input.GetMouseDx() / (dt * sMouseUnitsPerRadian);
    camera.mRotationSpeed[2] = input.GetMouseDy() / (dt * sMouseUnitsPerRadian);
  } else {
    camera.mRotationSpeed[1] = 0.0f;
    camera.mRotationSpeed[2] = 0.0f;
  }

  // 8. Fire.
  UpdateGun(dt, controls);

  // 9. Zoom.
  if (input.IsMouseButtonPressed(MOUSEBUTTON_RIGHT)) camera.ToggleZoom(controls.mRenderDevice);

  // 10. to 17.
  UpdateSwitches(dt, controls);
}

void WeaponSettingsX::UpdateWalking(float dt, float forward, float strafe, CameraX& camera) {
  float& f = mForwardFactor;
  float& s = mStrafeFactor;
  float& d = mDiagonalFactor;
  if (camera.mOnGround) {
    f = Accelerate(f, static_cast<int32_t>(forward), dt);
    s = Accelerate(s, static_cast<int32_t>(strafe), dt);
    d = (f != 0.0f && s != 0.0f) ? kDiagonal : 1.0f;
  } else {
    if (forward > 0.0f && f <= 0.0f) {
      f = kAirFactor;
    } else if (forward < 0.0f && f >= 0.0f) {
      f = -kAirFactor;
    }
    if (strafe > 0.0f && s <= 0.0f) {
      s = kAirFactor;
      d = kAirDiagonal;
    } else if (strafe < 0.0f && s >= 0.0f) {
      s = -kAirFactor;
      d = kAirDiagonal;
    }
  }
  f = std::clamp(f, -1.0f, 1.0f);
  s = std::clamp(s, -1.0f, 1.0f);
  camera.mSpeed = f * sWalkSpeed * d;
  camera.mStrafeSpeed = s * sWalkSpeed * d;
}

void WeaponSettingsX::UpdateFootsteps(float dt, const CameraX& camera) {
  mFootstepTimer += dt;
  const bool walking = (mForwardFactor != 0.0f || mStrafeFactor != 0.0f) && camera.mOnGround;
  if (walking) {
    if (mFootstepTimer > kFootstepInterval) {
      RewindAndPlay(mFootstepSound);
      mFootstepTimer = 0.0f;
    }
    return;
  }
  if (mFootstepSound && mFootstepSound->GetSound()) mFootstepSound->GetSound()->Stop();
  mFootstepTimer = kStandingFootstepTimer;
}

void WeaponSettingsX::UpdateGun(float dt, const GameControlsX& controls) {
  const InputHandlerX& input = *controls.mInput;
  mFireTimer += dt;
  if (input.IsMouseButtonPressed(MOUSEBUTTON_LEFT)) {
    mFireTimer = 0.0f;
    if (controls.mGame) controls.mGame->Shoot(controls.mCamera, mShotSpeed, 0.0f);
    RewindAndPlay(mGunSound);
  } else if (input.IsMouseButtonDown(MOUSEBUTTON_LEFT)) {
    // Every interval that passed in this frame fires, each shot as far into its flight as the
    // time left after it. Without a positive interval this would never end: one shot a frame.
    if (!(mFireInterval > 0.0f)) {
      if (controls.mGame) controls.mGame->Shoot(controls.mCamera, mShotSpeed, 0.0f);
      RewindAndPlay(mGunSound);
      mFireTimer = 0.0f;
      return;
    }
    while (mFireTimer >= mFireInterval) {
      mFireTimer -= mFireInterval;
      if (controls.mGame) controls.mGame->Shoot(controls.mCamera, mShotSpeed, mFireTimer);
      RewindAndPlay(mGunSound);
    }
  } else {
    mFireTimer = mFireInterval;
  }
}

void WeaponSettingsX::SetGunMode(uint32_t mode, float shotSpeed, float fireInterval,
                                 const char* text) {
  if (mGunMode == mode) return;
  mGunMode = mode;
  mShotSpeed = shotSpeed;
  mFireInterval = fireInterval;
  LogMessage(text);
  RewindAndPlay(mReloadSound);
}

void WeaponSettingsX::UpdateGunMode(const InputHandlerX& input) {
  if (input.IsKeyPressed(KEY_1)) {
    SetGunMode(GUNMODE_FAST, 3000.0f, 0.25f, "Changed gun to fast speed, show repeat");
  }
  if (input.IsKeyPressed(KEY_2)) {
    SetGunMode(GUNMODE_MEDIUM, 1500.0f, 0.1f, "Changed gun to medium speed, medium repeat");
  }
  if (input.IsKeyPressed(KEY_3)) {
    SetGunMode(GUNMODE_SLOW, 500.0f, 0.02f, "Changed gun to slow speed, slow repeat");
  }
}

void WeaponSettingsX::UpdateSwitches(float dt, const GameControlsX& controls) {
  const InputHandlerX& input = *controls.mInput;
  IRenderDeviceX* device = controls.mRenderDevice;
  IGameControlsTargetX* game = controls.mGame;
  const CameraX& camera = *controls.mCamera;

  // 10. Renderer switches, F1 to F7.
  if (device) {
    using Switch = void (IRenderDeviceX::*)();
    static constexpr Switch kSwitches[] = {&IRenderDeviceX::CycleFillMode,
                                           &IRenderDeviceX::ToggleBackfaceCulling,
                                           &IRenderDeviceX::DebugDrawNormalToggle,
                                           &IRenderDeviceX::DebugDrawBSPTreeToggle,
                                           &IRenderDeviceX::DebugDrawEdgesToggle,
                                           &IRenderDeviceX::DebugDrawShadowVolumesToggle,
                                           &IRenderDeviceX::ToggleFullClearBackBuffer};
    for (uint8_t i = 0; i < 7; ++i) {
      if (input.IsKeyPressed(static_cast<uint8_t>(KEY_F1 + i))) (device->*kSwitches[i])();
    }
  }

  // 11. Gun modes.
  UpdateGunMode(input);

  // 12. to 15. Bots and the position report.
  if (input.IsKeyPressed(KEY_B) && game) game->AddBot();
  if (input.IsKeyPressed(KEY_V)) {
    StringX text("Position:");
    AppendVector(text, camera.mPosition);
    text += "   Direction:";
    AppendVector(text, camera.mDirection);
    LogMessage(text);
  }
  if (input.IsKeyPressed(KEY_K)) {
    LogMessage("Killing off all bots");
    if (game) game->KillAllBots();
  }
  if (input.IsKeyPressed(KEY_J)) {
    LogMessage("Adding a bot");
    if (game) game->EnableAndAddBot();
  }

  // 16. Escape.
  if (input.IsKeyPressed(KEY_ESCAPE) && controls.mQuit) controls.mQuit();

  // 17. Brightness, between 0 and 10.
  if (device) {
    if (input.IsKeyDown(KEY_PLUS) || input.IsKeyDown(KEY_NUMPAD_PLUS)) {
      device->SetBrightness(std::min(sMaxBrightness, device->GetBrightness() + dt));
    }
    if (input.IsKeyDown(KEY_MINUS) || input.IsKeyDown(KEY_NUMPAD_MINUS)) {
      device->SetBrightness(std::max(0.0f, device->GetBrightness() - dt));
    }
  }
}
