#pragma once
// Debug drawings shown while their switch of the render device is on: the edges of an
// object's mesh, and the lines of a collision BSP tree. Both are line lists drawn in one colour
// over the scene; created, drawn and deleted on the render thread.
#include <cstdint>
#include <functional>
#include <vector>

#include "geometry/Matrix4X.h"
#include "geometry/Vector3fX.h"
#include "render/DebugProgramX.h"
#include "render/IRenderableObjectX.h"

class IRenderSnapshotX;
class Object3DX;
class RenderDirectXX;

class RenderableDebugX : public IRenderableObjectX {
 public:
  // The world matrix of a snapshot slot, for drawings that follow a moving object.
  using WorldMatrixSourceX = std::function<Matrix4X(int32_t renderIndex)>;

  RenderableDebugX(RenderDirectXX* device, float red, float green, float blue);
  ~RenderableDebugX() override;

  // Builds the GL buffer again (after a device reset).
  virtual void Reinitialise();
  // Takes the followed object's world matrix of the snapshot slot (identity when none).
  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  // Draws through the device's view x projection of the frame.
  void Draw() override;

  uint32_t GetPrimitiveCount() const { return static_cast<uint32_t>(mPoints.size() / 2); }
  const std::vector<Vector3fX>& GetPoints() const { return mPoints; }
  void SetWorldMatrixSource(WorldMatrixSourceX source) { mWorldSource = std::move(source); }
  // Line list: two points per line. An odd last point is dropped.
  void SetLines(std::vector<Vector3fX> points);

 protected:
  RenderDirectXX* mDevice;
  std::vector<Vector3fX> mPoints;
  uint32_t mStride = sizeof(float) * 3;

 private:
  void Release();

  float mColor[3];
  WorldMatrixSourceX mWorldSource;
  Matrix4X mWorld;
  DebugProgramX mProgram{"Resources\\ShaderPrograms\\DebugLines.hlsl"};
  uint32_t mVertexArray = 0;
  uint32_t mVertexBuffer = 0;
  bool mBufferBuilt = false;
};

// The edges of an object's mesh.
class RenderableEdgeDebugDX : public RenderableDebugX {
 public:
  explicit RenderableEdgeDebugDX(RenderDirectXX* device);
  // The device's edge debug factory: the edges of the object's mesh (a moveable's follow its
  // matrix); none for an object without a mesh or edges.
  static std::function<IRenderableObjectX*(Object3DX*, IRenderSnapshotX*)> MakeFactory(
      RenderDirectXX* device);
  // Takes the edges of the object's mesh; false when it has no mesh or no edges.
  bool Init(Object3DX* object);
  Object3DX* GetObject() const { return mObject3DX; }

 private:
  Object3DX* mObject3DX = nullptr;
};

// The lines of a collision BSP tree (its polygons' outlines), and its planes' normals drawn from
// the polygons' centres as the tree-specific part.
class RenderableBSPTreeDebugDX : public RenderableDebugX {
 public:
  // `outlines`: line list of the tree's polygon edges; `normals`: line list of plane normals.
  RenderableBSPTreeDebugDX(RenderDirectXX* device, std::vector<Vector3fX> outlines,
                           std::vector<Vector3fX> normals);
  void Reinitialise() override;
  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  void Draw() override;

 private:
  RenderableDebugX mNormals;
};
