// Camera: view matrix, projection, zoomed turning and the zoom switch. (Its turning and the
// pitch limit are the movement model's: MoveTest.)
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/CameraX.h"

namespace {

constexpr float kPi = 3.14159265f;

struct Vector4 {
  float x, y, z, w;
};

Vector4 Transform(const Vector3fX& p, const Matrix4X& m, float w = 1.0f) {
  Vector4 r{};
  const float in[4] = {p.x, p.y, p.z, w};
  float* out = &r.x;
  for (int j = 0; j < 4; ++j) {
    out[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + in[3] * m.m[3][j];
  }
  return r;
}

void ExpectNear(const Vector4& a, const Vector3fX& b, float eps = 1e-3f) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
  EXPECT_NEAR(a.z, b.z, eps);
}

TEST(CameraTest, ViewMatrixLooksAlongMinusZWithRightAndUpKept) {
  CameraX camera;
  camera.mClipping = false;
  camera.mPosition = {-1100.0f, 360.0f, -1500.0f};
  std::mt19937 generator(3);
  std::uniform_real_distribution<float> speed(-3.0f, 3.0f);
  for (int i = 0; i < 20; ++i) {
    for (float& s : camera.mRotationSpeed) s = speed(generator);
    camera.Update(0.37f);
    const Matrix4X& view = camera.mWorldMatrix;
    const Vector3fX p = camera.mPosition;
    ExpectNear(Transform(p, view), {0, 0, 0});
    ExpectNear(Transform(p + camera.mDirection * 5.0f, view), {0, 0, -5});
    ExpectNear(Transform(p + camera.mRight * 2.0f, view), {2, 0, 0});
    ExpectNear(Transform(p + camera.mUp * 3.0f, view), {0, 3, 0});
    // Directions carry no translation.
    ExpectNear(Transform(camera.mDirection, view, 0.0f), {0, 0, -1});
    // The snapshot of the frame holds the same view.
    EXPECT_FLOAT_EQ(camera.GetRenderMatrix(0).m[3][2], view.m[3][2]);
  }
  EXPECT_FLOAT_EQ(camera.mEyePosition.x, camera.mPosition.x);
}

TEST(CameraTest, ProjectionIsRightHandedQuarterPiFromTenToFourThousand) {
  CameraX camera;
  const float aspect = 1280.0f / 720.0f;
  const Matrix4X& projection = camera.UpdateProjection(aspect);
  const Vector4 nearPoint = Transform({0.0f, 0.0f, -10.0f}, projection);
  const Vector4 farPoint = Transform({0.0f, 0.0f, -4000.0f}, projection);
  EXPECT_NEAR(nearPoint.z / nearPoint.w, -1.0f, 1e-5f);
  EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-4f);
  EXPECT_GT(nearPoint.w, 0.0f);  // in front of the camera is -z
  // The top edge of a pi/4 view at distance 100.
  const float top = std::tan(kPi / 8.0f) * 100.0f;
  const Vector4 edge = Transform({top * aspect, top, -100.0f}, projection);
  EXPECT_NEAR(edge.y / edge.w, 1.0f, 1e-4f);
  EXPECT_NEAR(edge.x / edge.w, 1.0f, 1e-4f);
}

TEST(CameraTest, ZoomNarrowsTheViewAndHalvesTheTurning) {
  CameraX camera;
  camera.ToggleZoom(nullptr);
  EXPECT_TRUE(camera.mZoomed);
  EXPECT_FLOAT_EQ(camera.mFieldOfView, 0.19634955f);
  camera.mRotationSpeed[1] = 1.0f;
  camera.Update(1.0f);
  EXPECT_NEAR(camera.mDirection.x, std::sin(0.5f), 1e-5f);
  camera.ToggleZoom(nullptr);
  EXPECT_FALSE(camera.mZoomed);
  EXPECT_FLOAT_EQ(camera.mFieldOfView, 0.7853982f);
  camera.Update(1.0f);
  EXPECT_NEAR(camera.mDirection.x, std::sin(1.5f), 1e-5f);
}

}  // namespace
