#pragma once
// The night sky: a cube of 2000 units around the camera, coloured from a cube texture made of
// six face textures. It moves with the camera and never turns; it is drawn first in the scene,
// without writing depth, so everything in front of the far plane covers it.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/Vector3fX.h"
#include "render/DebugProgramX.h"
#include "render/IRenderableObjectX.h"
#include "render/Matrix4X.h"

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
  // The camera position of a snapshot slot.
  using CameraPositionSourceX = std::function<Vector3fX(int32_t renderIndex)>;

  static constexpr uint32_t sVertexCount = 36;

  // Six face textures, +x, -x, +y, -y, +z, -z, square and of one size.
  RenderableSkyBox(RenderDirectXX* device, const std::vector<TextureX*>& textures,
                   CameraPositionSourceX cameraPosition);
  ~RenderableSkyBox() override;

  // Builds the cube texture and the mesh (render thread; also after a device reset).
  bool Create();
  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  void Draw() override;

  // The four corners of a face (0..5); any other face is reported and gives face 0.
  static std::array<CornerX, 4> GetCubeFace(uint32_t face);
  // The 36 vertices: corners 0, 1, 2, 0, 2, 3 of every face.
  static std::vector<SkyVertexX> BuildMesh();
  // Where the camera of a view matrix is (the view is a rotation followed by a translation).
  static Vector3fX CameraPositionFromView(const Matrix4X& view);
  // The device's sky box factory (RenderDirectXX::SetSkyBoxFactory): sky boxes around the
  // camera that `cameraPosition` gives.
  static std::function<IRenderableObjectX*(const std::vector<TextureX*>&)> MakeFactory(
      RenderDirectXX* device, CameraPositionSourceX cameraPosition);

  const Matrix4X& GetWorld() const { return mWorld; }
  const Matrix4X& GetWorldViewProjection() const { return mWorldViewProjection; }

 private:
  void Release();

  RenderDirectXX* mDevice;
  Matrix4X mWorld;
  Matrix4X mWorldViewProjection;
  std::vector<TextureX*> mTextures;
  CameraPositionSourceX mCameraPosition;
  DeviceTextureX* mCubeTexture = nullptr;
  DebugProgramX mProgram{"Resources\\ShaderPrograms\\Skybox.hlsl"};
  uint32_t mVertexArray = 0;
  uint32_t mVertexBuffer = 0;
};
