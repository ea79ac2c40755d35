#include "game/BotX.h"

#include <cmath>

#include "audio/AudioDirectXX.h"
#include "audio/CSound.h"
#include "audio/SoundX.h"
#include "collision/CollisionHandlerX.h"
#include "engine/FunctionLibraryX.h"
#include "engine/ReportHooksX.h"
#include "game/CameraX.h"
#include "game/EnviromentHandlerX.h"

namespace {
constexpr float kRandScale = 3.051851e-5f;  // 1 / 32767
constexpr float kPi = 3.14159265f;
constexpr float kFlat = 1e-5f;

// The vector without its vertical part (when that part is noticeable).
Vector3fX Flattened(const Vector3fX& v) {
  Vector3fX flat = v;
  if (std::fabs(flat.y) > kFlat) flat.y = 0.0f;
  return flat;
}
}  // namespace

const BotX::AnimationX BotX::sAnimationTable[sNumberOfAnimations] = {
    {0, 0, 1.0f},     {1, 71, 1.0f},    {72, 91, 1.5f},   {92, 99, 1.0f},   {100, 109, 1.0f},
    {110, 119, 1.0f}, {120, 124, 1.0f}, {125, 144, 2.0f}, {145, 169, 2.0f}, {170, 178, 2.0f},
    {179, 183, 1.0f}, {184, 198, 1.0f}, {199, 206, 1.0f}};

BotX::BotX(Object3DX* object, EnviromentHandlerX& environment)
    : ObjectMoveableX(object), mEnvironment(environment) {
  mSightTimer = static_cast<float>(FunctionsX::Rand()) * kRandScale * 0.01f;
  if (AudioDirectXX* audio = mEnvironment.GetServices().mAudioDevice) {
    mGunSound = audio->AddSound("Gun_Silencer.wav", this);
    mSpottedSound = audio->AddSound("huh.wav", this);
    mDeathSound = audio->AddSound("doe.wav", this);
  }
  mSpeed = sWalkSpeed;
  UpdateSearching(0.0f);
}

const char* BotX::GetStateString(uint32_t state) {
  switch (state) {
    case STATE_WAITING:
      return "state = Waiting";
    case STATE_SEARCHING:
      return "state = Searching";
    case STATE_CHASING:
      return "state = Chasing";
    case STATE_SHOOTING:
      return "state = Shooting";
    case STATE_EVADING:
      return "state = Evading";
    case STATE_DEAD:
      return "state = Dead";
    case STATE_HITOBSTACLE:
      return "state = HitObstacle";
    default:
      return "state = default??";
  }
}

void BotX::Update(float dt) {
  mFireTimer += dt;
  if (const CameraX* camera = mEnvironment.GetCamera()) mTargetPosition = camera->mPosition;
  mStateChanged = mState != mPreviousState ? 1u : 0u;
  mPreviousState = mState;
  switch (mState) {
    case STATE_WAITING:
      mState = UpdateWaiting(dt);
      break;
    case STATE_SEARCHING:
      mState = UpdateSearching(dt);
      break;
    case STATE_CHASING:
      mState = UpdateChasing(dt);
      break;
    case STATE_SHOOTING:
      mState = UpdateShooting(dt);
      break;
    case STATE_EVADING:
      mState = UpdateEvading(dt);
      break;
    case STATE_DEAD:
      mState = UpdateDead(dt);
      break;
    case STATE_HITOBSTACLE:
      mState = UpdateHitObstacle(dt);
      break;
    default:
      KX_ASSERT_MSG(false, "BotX::Update", "Undefined state, what the?");
      break;
  }
  ObjectMoveableX::Update(dt);
}

void BotX::SetState(uint32_t state) {
  if (mState == STATE_DEAD) return;
  mState = state;
}

void BotX::TakeDamage(float amount) {
  if (mState == STATE_DEAD) return;
  mHealth -= amount;
  if (mHealth < 0.0f) mState = STATE_DEAD;
}

void BotX::StartAnimation(uint32_t animation) {
  mAnimation = animation;
  mFrameFrom = 0;
  mFrameTo = 0;
  mLastWholeFrame = 0;
  mFramePosition = 0.0f;
}

void BotX::StopTurning() {
  for (float& speed : mRotationSpeed) speed = 0.0f;
}

void BotX::PlaySound(SoundX* sound) {
  if (!sound || !sound->GetSound()) return;
  sound->GetSound()->Reset();
  sound->GetSound()->Play();
}

float BotX::DistanceToTarget() const { return (mTargetPosition - mPosition).Length(); }

uint32_t BotX::UpdateWaiting(float dt) {
  if (mStateChanged) {
    mSpeed = 0.0f;
    StartAnimation(1);
  }
  StopTurning();
  mSpeed = 0.0f;
  AdvanceAnimation(mAnimation, dt);
  return STATE_WAITING;
}

uint32_t BotX::UpdateSearching(float dt) {
  if (mStateChanged) {
    StopTurning();
    mSpeed = sWalkSpeed;
    StartAnimation(3);
  }
  mStateTimer += dt;
  AdvanceAnimation(mAnimation, dt);
  float angle = 0.0f;
  if (TestSight(dt, angle)) {
    PlaySound(mSpottedSound);
    return STATE_CHASING;
  }
  return STATE_SEARCHING;
}

uint32_t BotX::UpdateChasing(float dt) {
  if (mStateChanged) {
    StopTurning();
    mSpeed = sWalkSpeed;
    StartAnimation(3);
  }
  mStateTimer += dt;
  AdvanceAnimation(mAnimation, dt);
  float angle = 0.0f;
  if (!TestSight(dt, angle)) return STATE_CHASING;
  if (std::fabs(angle) < sAimAngle && DistanceToTarget() < 2.0f * mShotSpeed - 20.0f) {
    return STATE_SHOOTING;
  }
  TurnTowards(angle);
  return STATE_CHASING;
}

uint32_t BotX::UpdateShooting(float dt) {
  if (mStateChanged) {
    mSpeed = 0.0f;
    StartAnimation(11);
  }
  StopTurning();
  mSpeed = 0.0f;
  AdvanceAnimation(mAnimation, dt);
  float angle = 0.0f;
  if (!TestSight(dt, angle) || DistanceToTarget() >= 2.0f * mShotSpeed - 20.0f) {
    return STATE_CHASING;
  }
  if (Fire()) StartAnimation(11);
  if (std::fabs(angle) >= sAimAngle) TurnTowards(angle);
  return STATE_SHOOTING;
}

uint32_t BotX::UpdateEvading(float dt) {
  if (mStateChanged) {
    mSpeed = 0.0f;
    StartAnimation(6);
  }
  StopTurning();
  mSpeed = 0.0f;
  AdvanceAnimation(mAnimation, dt);
  return STATE_EVADING;
}

uint32_t BotX::UpdateDead(float dt) {
  if (mStateChanged) {
    mHealth = 0.0f;
    StopTurning();
    mSpeed = 0.0f;
    StartAnimation(sDeathAnimation);
    PlaySound(mDeathSound);
    mEnvironment.AddKill();
    mEnvironment.AddBot();
  }
  AdvanceAnimation(mAnimation, dt);
  const AnimationX& animation = sAnimationTable[mAnimation];
  if (mFramePosition > animation.mLast) {
    // The death has played through once: wrapped, and the bot leaves the world.
    mFramePosition -= static_cast<float>(animation.mLast - animation.mFirst);
    if (mAnimation >= 7 && mAnimation <= 9 && !mQueuedForRemoval) {
      mQueuedForRemoval = true;
      mEnvironment.RemoveBot(this);
    }
  }
  return STATE_DEAD;
}

uint32_t BotX::UpdateHitObstacle(float dt) {
  if (mStateChanged) {
    mSpeed = 0.0f;
    StopTurning();
    mRotationSpeed[1] = static_cast<float>(FunctionsX::Rand()) * kRandScale * 10.01f - 5.01f;
    mStateTimer = 0.0f;
    mStateDuration = static_cast<float>(FunctionsX::Rand()) * kRandScale * 0.49f + 0.01f;
    StartAnimation(3);
  }
  mStateTimer += dt;
  if (mStateTimer > mStateDuration) {
    StopTurning();
    return STATE_SEARCHING;
  }
  return STATE_HITOBSTACLE;
}

bool BotX::TestSight(float dt, float& angle) {
  mSightTimer += dt;
  if (mSightTimer < sSightInterval) {
    angle = mSightAngle;
    return mCanSeeTarget;
  }
  Vector3fX direction;
  const bool seen = CanSeeTarget(angle, direction);
  mSightAngle = seen ? angle : 0.0f;
  return seen;
}

bool BotX::CanSeeTarget(float& angle, Vector3fX& direction) {
  mSightTimer = 0.0f;
  angle = 0.0f;
  direction = mTargetPosition - (mPosition + Vector3fX(0.0f, sEyeHeight, 0.0f));
  if (direction.LengthSquared() > 0.0f) direction.Normalize();
  const Vector3fX toTarget = Flattened(direction);
  const Vector3fX facing = Flattened(mDirection);
  const float lengths = toTarget.Length() * facing.Length();
  if (lengths > 0.0f) {
    const float cosine = Dot(toTarget, facing) / lengths;
    angle = cosine > 1.0f ? 0.0f : (cosine < -1.0f ? kPi : std::acos(cosine));
    // A positive yaw turns towards mRight: the target on the left is a negative angle.
    if (Dot(toTarget, mRight) < 0.0f) angle = -angle;
  }
  mCanSeeTarget = false;
  const CollisionHandlerX* collision = mEnvironment.GetServices().mCollisionHandler;
  if (collision && angle > -kPi / 2.0f && angle < kPi / 2.0f) {
    CollisionResultX result;
    if (collision->TestRay(mTargetPosition, -direction, result, false) &&
        result.mObject == static_cast<ICollisionObjectX*>(this)) {
      mCanSeeTarget = true;
    }
  }
  return mCanSeeTarget;
}

bool BotX::Fire() {
  if (!(mFireTimer > mFireInterval)) return false;
  mFireTimer = 0.0f;
  const Vector3fX target = mTargetPosition;
  const Vector3fX offset(0.0f, 12.0f, 0.0f);
  mEnvironment.Shoot(this, mShotSpeed, 0.0f, &target, &offset);
  PlaySound(mGunSound);
  return true;
}

void BotX::AdvanceAnimation(uint32_t animation, float dt) {
  if (animation >= sNumberOfAnimations) return;
  const AnimationX& entry = sAnimationTable[animation];
  const uint32_t first = entry.mFirst;
  const uint32_t last = entry.mLast;
  if (mFrameFrom == 0) mFrameFrom = first;
  if (mFrameTo == 0) mFrameTo = first + 1;
  if (mLastWholeFrame == 0) mLastWholeFrame = first;
  if (mFramePosition < static_cast<float>(first)) mFramePosition = static_cast<float>(first);
  mFramePosition += static_cast<float>(last - first) / entry.mCycleTime * dt;
  const uint32_t whole = static_cast<uint32_t>(mFramePosition);
  if (whole != mLastWholeFrame) {
    ++mFrameFrom;
    ++mFrameTo;
    mLastWholeFrame = whole;
  }
  if (mFrameFrom > last) mFrameFrom = first;
  if (mFrameTo > last) mFrameTo = first;
  mFrame = mFrameFrom;
  mFrameFraction = mFramePosition - std::floor(mFramePosition);
}

void BotX::TurnTowards(float angle) {
  const float speed = std::fabs(angle) < 0.2f ? 0.3f : 3.0f;
  mRotationSpeed[1] = angle < 0.0f ? -speed : speed;
  mRotationSpeed[0] = 0.0f;
  mRotationSpeed[2] = 0.0f;
}
