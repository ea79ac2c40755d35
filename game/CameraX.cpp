#include "game/CameraX.h"

#include "render/IRenderDeviceX.h"

CameraX::CameraX() {
  mClipping = true;
  // No render thread reads a new camera yet: both slots start with its view.
  UpdateViewMatrix();
  TakeRenderSnapshotBoth();
}

void CameraX::Update(float dt) {
  Advance(dt, mZoomed ? 0.5f : 1.0f);
  UpdateViewMatrix();
  TakeRenderSnapshot();
}

void CameraX::UpdateViewMatrix() {
  Matrix4X view;
  for (int32_t i = 0; i < 3; ++i) {
    const float* right = &mRight.x;
    const float* up = &mUp.x;
    const float* direction = &mDirection.x;
    view.m[i][0] = right[i];
    view.m[i][1] = up[i];
    view.m[i][2] = -direction[i];
    view.m[i][3] = 0.0f;
  }
  view.m[3][0] = -Dot(mPosition, mRight);
  view.m[3][1] = -Dot(mPosition, mUp);
  view.m[3][2] = Dot(mPosition, mDirection);
  view.m[3][3] = 1.0f;
  mWorldMatrix = view;
  mEyePosition = mPosition;
  mLookAt = mPosition + mDirection;
  mUpVector = mUp;
}

void CameraX::ToggleZoom(IRenderDeviceX* device) {
  mZoomed = !mZoomed;
  mFieldOfView = mZoomed ? sZoomedFieldOfView : sFieldOfView;
  if (device) device->SetFieldOfView(mFieldOfView);
}

const Matrix4X& CameraX::UpdateProjection(float aspect) {
  if (!(aspect > 0.0f)) aspect = 1.0f;
  mProjection =
      Matrix4X::PerspectiveFovRH(mFieldOfView, aspect, sRenderNearPlane, sRenderFarPlane);
  return mProjection;
}
