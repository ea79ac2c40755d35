#pragma once
// The night sky: a cube of 2000 units around the device's camera, coloured from a cube texture
// made of six face textures. It moves with the camera and never turns; it is drawn first in the
// scene, without writing depth, so everything in front of the far plane covers it.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/Matrix4X.h"
#include "geometry/Vector3fX.h"
#include "render/DebugProgramX.h"
#include "render/IRenderableObjectX.h"

class DeviceTextureX;
class RenderDirectXX;
class TextureX;

class RenderableSkyBox : public IRenderableObjectX {
 public:
  // A corner of a cube face: its position and the direction it samples the cube texture in.
  struct CornerX {
    Vector3fX mPosition;
    Vector3fX mCubeCoord;
  };
  // The vertex the sky mesh is drawn from.
  struct SkyVertexX {
    float mPosition[3];
    float mCubeCoord[3];
    uint32_t mColor;  // opaque black (ARGB)
  };
  static constexpr uint32_t sVertexCount = 36;

  // Six face textures, +x, -x, +y, -y, +z, -z, square and of one size.
  RenderableSkyBox(RenderDirectXX* device, const std::vector<TextureX*>& textures);
  ~RenderableSkyBox() override;

  // Builds the cube texture and the mesh (render thread; also after a device reset).
  bool Create();
  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  void Draw() override;

  // The four corners of a face (0..5); any other face is reported and gives face 0.
  static std::array<CornerX, 4> GetCubeFace(uint32_t face);
  // The 36 vertices: corners 0, 1, 2, 0, 2, 3 of every face.
  static std::vector<SkyVertexX> BuildMesh();
  // The device's sky box factory (RenderDirectXX::SetSkyBoxFactory).
  static std::function<IRenderableObjectX*(const std::vector<TextureX*>&)> MakeFactory(
      RenderDirectXX* device);

  const Matrix4X& GetWorld() const { return mWorld; }
  const Matrix4X& GetWorldViewProjection() const { return mWorldViewProjection; }

 private:
  void Release();

  RenderDirectXX* mDevice;
  Matrix4X mWorld;
  Matrix4X mWorldViewProjection;
  std::vector<TextureX*> mTextures;
  DeviceTextureX* mCubeTexture = nullptr;
  DebugProgramX mProgram{"Resources\\ShaderPrograms\\Skybox.hlsl"};
  uint32_t mVertexArray = 0;
  uint32_t mVertexBuffer = 0;
};
