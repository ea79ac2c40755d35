#pragma once
// CameraX: the player's eye. It moves by the shared movement model (created ground-bound, with
// mClipping set) and keeps a right-handed view matrix in mWorldMatrix: view space looks along
// -z, with mRight as +x and mUp as +y. The render device reads the view matrix of its buffer
// index through GetRenderMatrix (the camera is its IRenderSnapshotX).
#include "game/Movement3DX.h"
#include "geometry/Matrix4X.h"

class IRenderDeviceX;

class CameraX : public Movement3DX {
 public:
  static constexpr float sFieldOfView = 0.7853982f;          // pi/4
  static constexpr float sZoomedFieldOfView = 0.19634955f;  // pi/16
  // The depth range the render device draws (its projection is fixed to it).
  static constexpr float sRenderNearPlane = 10.0f;
  static constexpr float sRenderFarPlane = 4000.0f;

  CameraX();
  ~CameraX() override = default;

  // Moves and turns by the speeds (turning at half speed while zoomed), builds the view matrix
  // and takes the render snapshot.
  void Update(float dt) override;
  // Rebuilds the view matrix (mWorldMatrix) and the placement vectors from the basis.
  void UpdateViewMatrix();

  // Flips the zoom and gives the new field of view to the render device (none: only the camera
  // changes).
  void ToggleZoom(IRenderDeviceX* device);

  // The projection the render device uses with this camera: right-handed, the camera's field
  // of view, the device's depth range. Also kept in mProjection.
  const Matrix4X& UpdateProjection(float aspect);

  Matrix4X mProjection;
  // Where the camera is, the point it looks at and its up vector (as of the last update).
  Vector3fX mEyePosition;
  Vector3fX mLookAt{0.0f, 0.0f, 1.0f};
  Vector3fX mUpVector{0.0f, 1.0f, 0.0f};
  float mFieldOfView = sFieldOfView;
  float mNearPlane = 10.0f;
  float mFarPlane = 10000.0f;
  bool mZoomed = false;
};
