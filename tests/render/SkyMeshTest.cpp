// The sky box's cube without a screen: the 36 vertices of the six faces, the faces' cube-map
// coordinates, the camera the sky follows; and the particle emitter registry.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ReportCaptureX.h"
#include "render/RenderParticalesXX.h"
#include "render/SkyboxX.h"

namespace {

TEST(SkyMeshTest, SixFacesOfTwoTrianglesOnTheCubeOf2000Units) {
  const std::vector<RenderableSkyBox::SkyVertexX> vertices = RenderableSkyBox::BuildMesh();
  ASSERT_EQ(vertices.size(), 36u);
  for (uint32_t face = 0; face < 6; ++face) {
    const auto corners = RenderableSkyBox::GetCubeFace(face);
    const uint32_t order[6] = {0, 1, 2, 0, 2, 3};
    // The face's own axis: x for 0 and 1, y for 2 and 3, z for 4 and 5.
    const uint32_t axis = face / 2;
    const float side = (face % 2 == 0) == (axis == 0) ? -1.0f : 1.0f;
    for (uint32_t i = 0; i < 6; ++i) {
      const RenderableSkyBox::SkyVertexX& v = vertices[face * 6 + i];
      const auto& corner = corners[order[i]];
      SCOPED_TRACE("face " + std::to_string(face) + " vertex " + std::to_string(i));
      EXPECT_EQ(v.mPosition[0], corner.mPosition.x);
      EXPECT_EQ(v.mPosition[1], corner.mPosition.y);
      EXPECT_EQ(v.mPosition[2], corner.mPosition.z);
      EXPECT_EQ(v.mCubeCoord[0], corner.mCubeCoord.x);
      EXPECT_EQ(v.mCubeCoord[2], corner.mCubeCoord.z);
      EXPECT_EQ(v.mColor, 0xFF000000u);
      for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(std::fabs(v.mPosition[c]), 1000.0f);
      EXPECT_FLOAT_EQ(v.mCubeCoord[axis], 1.01f * side);
      EXPECT_FLOAT_EQ(v.mPosition[axis], 1000.0f * side);
    }
  }
}

TEST(SkyMeshTest, UnknownFaceIsReported) {
  ReportCaptureX capture;
  const auto corners = RenderableSkyBox::GetCubeFace(6);
  EXPECT_TRUE(capture.HasAssert("No such type for skybox."));
  EXPECT_EQ(corners[0].mPosition.x, -1000.0f);
}

class CountingEmitter : public ParticalEmitterX {
 public:
  explicit CountingEmitter(int& deleted) : mDeleted(deleted) {}
  ~CountingEmitter() override { ++mDeleted; }
  void Update(float dt) override { mTime += dt; }
  float mTime = 0.0f;

 private:
  int& mDeleted;
};

TEST(ParticleRegistryTest, OwnsItsEmittersAndReportsUnknownOnes) {
  ReportCaptureX capture;
  int deleted = 0;
  CountingEmitter unknown(deleted);  // never registered
  {
    RenderParticalesXX registry;
    auto* first = new CountingEmitter(deleted);
    auto* second = new CountingEmitter(deleted);
    EXPECT_TRUE(registry.AddParticalEmitter(first));
    EXPECT_FALSE(registry.AddParticalEmitter(first));
    EXPECT_TRUE(registry.AddParticalEmitter(second));
    registry.Update(0.5f);
    EXPECT_FLOAT_EQ(first->mTime, 0.5f);
    EXPECT_TRUE(registry.RemoveParticalEmitter(first));
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(registry.RemoveParticalEmitter(&unknown));
    EXPECT_TRUE(capture.HasAssert("ite != mParticales.end()"));
    EXPECT_EQ(registry.Size(), 1u);
  }
  EXPECT_EQ(deleted, 2);
}

}  // namespace
