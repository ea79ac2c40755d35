#include "game/Movement3DX.h"

#include <algorithm>
#include <cmath>

#include "render/SyncEngineRenderX.h"

namespace {

constexpr float kSmall = 1e-5f;  // fEPSILON2

int32_t SlotOf(int32_t index) { return (index == 1) ? 1 : 0; }

// `v` without its component along the unit axis `axis` (only when that component is noticeable).
Vector3fX RemoveComponent(const Vector3fX& v, const Vector3fX& axis) {
  const float along = Dot(v, axis);
  return std::fabs(along) > kSmall ? v - axis * along : v;
}

// The unit vector of `v` flattened against `axis`; zero when nothing is left of it.
Vector3fX Flatten(const Vector3fX& v, const Vector3fX& axis) {
  const Vector3fX flat = RemoveComponent(v, axis);
  return flat.LengthSquared() > kSmall * kSmall ? flat.Normalized() : Vector3fX();
}

// Angle between unit `a` and the non-zero `b`, in [0, pi]. Read from both the sine and the
// cosine: acos alone loses most of its precision near 0 and pi in float.
float AngleBetween(const Vector3fX& a, const Vector3fX& b) {
  const Vector3fX unit = b.Normalized();
  return std::atan2(Cross(a, unit).Length(), Dot(a, unit));
}

QuaternionX FrameTurn(const float rotation[3]) {
  QuaternionX turn = QuaternionX::FromYawPitchRoll(rotation[0], rotation[1], rotation[2]);
  turn.Normalize();
  return turn;
}

}  // namespace

void Movement3DX::SetDirection(const Vector3fX& target) {
  // Only the way it points matters; at unit length the tolerances below mean the same for
  // every length.
  const float length = target.Length();
  if (!std::isfinite(length) || !(length > kSmall)) return;
  const Vector3fX direction = target * (1.0f / length);
  // Yaw about mUp.
  const Vector3fX level = RemoveComponent(direction, mUp);
  if (!IsZero(level)) {
    float yaw = AngleBetween(mDirection, level);
    if (Dot(level, mRight) < -kSmall) yaw = -yaw;
    ApplySingleTurn(0, yaw);
  }
  // Pitch about the new mRight: a positive pitch looks down.
  const Vector3fX upright = RemoveComponent(direction, mRight);
  if (!IsZero(upright)) {
    float pitch = AngleBetween(mDirection, upright);
    if (Dot(upright, mUp) > kSmall) pitch = -pitch;
    ApplySingleTurn(1, pitch);
  }
  // An object turned by absolute angles would lose the turn at its next update otherwise.
  if (mUseAngles) {
    AnglesFromDirection(mDirection, mAngles[0], mAngles[1]);
    mAngles[2] = 0.0f;
  }
}

void Movement3DX::ApplySingleTurn(int32_t axis, float angle) {
  mFrameRotation[0] = axis == 0 ? angle : 0.0f;
  mFrameRotation[1] = axis == 1 ? angle : 0.0f;
  mFrameRotation[2] = 0.0f;
  UpdateOrientation();
  TakeRenderSnapshot();
}

void Movement3DX::UpdateOrientation() {
  for (float& angle : mFrameRotation) {
    if (angle > sTwoPi) {
      angle -= sTwoPi;
    } else if (angle < -sTwoPi) {
      angle += sTwoPi;
    }
  }
  // The turn happens in the object's own frame: turn first, then the present orientation.
  mOrientation = mOrientation * FrameTurn(mFrameRotation);
  mOrientation.Normalize();
  mRight = mOrientation.Right().Normalized();
  mUp = mOrientation.Up().Normalized();
  mDirection = mOrientation.Direction().Normalized();
}

void Movement3DX::ComputeStep(float dt) {
  mStep -= mOwnStep;
  if (!mClipping) {
    mOwnStep = mRight * (mStrafeSpeed * dt) + mDirection * (mSpeed * dt);
  } else {
    const Vector3fX groundUp =
        mGroundUp.LengthSquared() > 0.0f ? mGroundUp.Normalized() : Vector3fX(0.0f, 1.0f, 0.0f);
    Vector3fX forward = Flatten(mDirection, groundUp);
    // Looking straight down (or up) leaves no level forward: the up axis then points the way
    // the object faces on the ground (against it when looking up).
    if (IsZero(forward)) {
      forward = Flatten(Dot(mDirection, groundUp) < 0.0f ? mUp : -mUp, groundUp);
    }
    const Vector3fX right = Flatten(mRight, groundUp);
    mOwnStep = right * (mStrafeSpeed * dt) + forward * (mSpeed * dt) + groundUp * (mFallSpeed * dt);
  }
  mStep += mOwnStep;
}

void Movement3DX::SetUseAngles(bool useAngles) {
  if (useAngles && !mUseAngles) {
    AnglesFromDirection(mDirection, mAngles[0], mAngles[1]);
    mAngles[2] = 0.0f;
  }
  mUseAngles = useAngles;
}

void Movement3DX::AnglesFromDirection(const Vector3fX& direction, float& yaw, float& pitch) {
  const float length = direction.Length();
  if (!(length > kSmall)) {
    yaw = 0.0f;
    pitch = 0.0f;
    return;
  }
  const Vector3fX d = direction * (1.0f / length);
  yaw = std::atan2(d.x, d.z);
  pitch = -std::asin(std::clamp(d.y, -1.0f, 1.0f));
}

void Movement3DX::Advance(float dt, float turnScale) {
  const float yaw = mRotationSpeed[1] * dt * turnScale;
  const float pitch = mRotationSpeed[2] * dt * turnScale;
  const float roll = mRotationSpeed[0] * dt * turnScale;
  ComputeStep(dt);
  mLastPosition = mPosition;
  mPosition += mStep;
  ComputeFrameRotation(yaw, pitch, roll);
  UpdateOrientation();
}

void Movement3DX::ComputeFrameRotation(float yaw, float pitch, float roll) {
  if (!mUseAngles) {
    mFrameRotation[0] = yaw;
    mFrameRotation[1] = pitch;
    mFrameRotation[2] = roll;
    return;
  }
  mOrientation = QuaternionX::Identity();
  const float turn[3] = {yaw, pitch, roll};
  for (int32_t i = 0; i < 3; ++i) {
    float& angle = mAngles[i];
    angle += turn[i];
    if (!std::isfinite(angle)) angle = 0.0f;
    if (angle >= sTwoPi) {
      angle -= sTwoPi;
    } else if (angle <= -sTwoPi) {
      angle += sTwoPi;
    }
  }
  if (mMaxPitch != 0.0f) mAngles[1] = std::clamp(mAngles[1], -mMaxPitch, mMaxPitch);
  for (int32_t i = 0; i < 3; ++i) mFrameRotation[i] = mAngles[i];
}

void Movement3DX::TakeRenderSnapshot() {
  TakeRenderSnapshot(SyncEngineRenderX::GetEngineBufferIndex());
}

void Movement3DX::TakeRenderSnapshot(int32_t engineIndex) {
  const int32_t slot = SlotOf(engineIndex);
  mRenderMatrices[slot] = mWorldMatrix;
  mRenderPositions[slot] = mPosition;
  mRenderFrames[slot] = {mFrameFrom, mFrameTo, mFrameFraction};
}

void Movement3DX::TakeRenderSnapshotBoth() {
  for (int32_t slot = 0; slot < sNumRenderSlots; ++slot) TakeRenderSnapshot(slot);
}

const Matrix4X& Movement3DX::GetRenderMatrix(int32_t renderIndex) const {
  return mRenderMatrices[SlotOf(renderIndex)];
}

const Vector3fX& Movement3DX::GetRenderPosition(int32_t renderIndex) const {
  return mRenderPositions[SlotOf(renderIndex)];
}

void Movement3DX::GetRenderFrames(int32_t renderIndex, uint32_t& frameFrom, uint32_t& frameTo,
                                  float& frameFraction) const {
  const RenderFramesX& frames = mRenderFrames[SlotOf(renderIndex)];
  frameFrom = frames.mFrameFrom;
  frameTo = frames.mFrameTo;
  frameFraction = frames.mFrameFraction;
}

SoundFrameX Movement3DX::GetSoundFrame() const {
  const Vector3fX& position = GetRenderPosition(SyncEngineRenderX::GetEngineBufferIndex());
  SoundFrameX frame;
  frame.mPosition = {position.x, position.y, position.z};
  frame.mFront = {mDirection.x, mDirection.y, mDirection.z};
  frame.mTop = {mUp.x, mUp.y, mUp.z};
  return frame;
}
