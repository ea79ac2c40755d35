#pragma once
// Movement3DX: the movement model shared by everything that moves in the world (the player
// camera, bots, shots). A position, an orientation held as a quaternion and mirrored in the
// right/up/direction basis, forward and sideways speeds, a fall speed and a collision radius.
//
// Moving objects are updated on the engine thread. The render thread never reads the live
// fields: each object keeps two snapshot slots of its matrix, position and animation frames. The
// engine writes the slot of its buffer index (the frame being built), the render thread reads the
// slot of its own buffer index; the frame hand-off keeps the two indices apart while both threads
// work.
//
// The fields are public: the environment, the collision step and the game controls drive them
// directly, as the game's own record of each object.
#include <cstdint>

#include "audio/SoundOwnerX.h"
#include "game/QuaternionX.h"
#include "geometry/Matrix4X.h"
#include "geometry/Vector3fX.h"
#include "render/IRenderSnapshotX.h"

class ObjectMoveableX;

class Movement3DX : public SoundOwnerX, public IRenderSnapshotX {
 public:
  static constexpr int32_t sNumRenderSlots = 2;
  static constexpr float sTwoPi = 6.2831853f;

  Movement3DX() = default;
  // Virtual: bots and shots are destroyed through their base pointers. The sounds that follow
  // the object are cut loose here (SoundOwnerX).
  virtual ~Movement3DX() = default;
  Movement3DX(const Movement3DX&) = delete;
  Movement3DX& operator=(const Movement3DX&) = delete;

  // One frame of movement with the frame time in seconds.
  virtual void Update(float dt) = 0;

  // Turns the object so that mDirection points along `direction` (a yaw turn about mUp, then a
  // pitch turn about the new mRight). An object with mUseAngles keeps the turn in mAngles.
  void SetDirection(const Vector3fX& direction);
  // Applies mFrameRotation (yaw, pitch, roll) in the object's own frame and re-reads the basis.
  void UpdateOrientation();
  // Replaces the speeds' share of mStep with this frame's.
  void ComputeStep(float dt);
  // Switches between absolute angles (yaw/pitch/roll kept in mAngles, pitch clamped by
  // mMaxPitch) and relative turns. Switching on starts the angles from the current direction,
  // so the object keeps facing where it faces.
  void SetUseAngles(bool useAngles);
  void SetMaxPitch(float maxPitch) { mMaxPitch = maxPitch; }

  // Copies mPosition, mWorldMatrix and the animation frames (mFrameFrom, mFrameTo,
  // mFrameFraction) into the slot of the engine's buffer index.
  void TakeRenderSnapshot();
  void TakeRenderSnapshot(int32_t engineIndex);
  // Fills both slots (a new object, before the render thread first reads it).
  void TakeRenderSnapshotBoth();

  // Render thread: the snapshot of its buffer index. An index out of 0..1 reads slot 0.
  const Matrix4X& GetRenderMatrix(int32_t renderIndex) const override;
  const Vector3fX& GetRenderPosition(int32_t renderIndex) const override;
  // The animation frames taken with the matrix of the same slot.
  void GetRenderFrames(int32_t renderIndex, uint32_t& frameFrom, uint32_t& frameTo,
                       float& frameFraction) const override;

  // Where the object is (the snapshot of the frame being built) and how it is turned.
  SoundFrameX GetSoundFrame() const override;

  // Yaw and pitch that make the unit z axis point along `direction` (roll 0).
  static void AnglesFromDirection(const Vector3fX& direction, float& yaw, float& pitch);

  bool mOnGround = true;
  bool mClipping = false;
  bool mClimbing = false;
  float mSpeed = 0.0f;
  float mStrafeSpeed = 0.0f;
  float mRadius = 0.0f;
  float mFallSpeed = 0.0f;
  Vector3fX mGroundUp{0.0f, 1.0f, 0.0f};
  uint32_t mFrame = 0;
  uint32_t mFrameFrom = 0;
  uint32_t mFrameTo = 0;
  float mFrameFraction = 0.0f;
  uint32_t mLastWholeFrame = 0;
  // The world matrix; the camera keeps its view matrix here.
  Matrix4X mWorldMatrix;
  bool mUseGravity = false;
  ObjectMoveableX* mOwner = nullptr;  // the object that fired this one (shots)
  Vector3fX mPosition;
  Vector3fX mLastPosition;
  Vector3fX mStep;
  Vector3fX mOwnStep;
  Vector3fX mRight{1.0f, 0.0f, 0.0f};
  Vector3fX mUp{0.0f, 1.0f, 0.0f};
  Vector3fX mDirection{0.0f, 0.0f, 1.0f};
  QuaternionX mOrientation;
  float mRotationSpeed[3] = {0.0f, 0.0f, 0.0f};  // roll, yaw, pitch; radians per second
  float mFrameRotation[3] = {0.0f, 0.0f, 0.0f};  // yaw, pitch, roll to apply in this update

  // Absolute turning, shared by the camera and the drawn moving objects.
  bool mUseAngles = false;
  float mMaxPitch = 0.0f;                 // radians; 0 = no clamp
  float mAngles[3] = {0.0f, 0.0f, 0.0f};  // yaw, pitch, roll accumulated

 protected:
  // Steps shared by the updates: the frame's movement and turn with the angle speeds scaled by
  // `turnScale`, then the orientation. The caller builds its matrix and takes the snapshot.
  void Advance(float dt, float turnScale);

 private:
  // The relative turn of this frame, or the accumulated absolute angles.
  void ComputeFrameRotation(float yaw, float pitch, float roll);
  // Turns by `angle` about one basis axis (0 yaw, 1 pitch) and re-snapshots.
  void ApplySingleTurn(int32_t axis, float angle);

  struct RenderFramesX {
    uint32_t mFrameFrom = 0;
    uint32_t mFrameTo = 0;
    float mFrameFraction = 0.0f;
  };

  Matrix4X mRenderMatrices[sNumRenderSlots];
  Vector3fX mRenderPositions[sNumRenderSlots];
  RenderFramesX mRenderFrames[sNumRenderSlots];
};
