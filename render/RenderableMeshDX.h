#pragma once
// The renderables of the objects the game draws. A RenderableMeshDX is one drawable section of a
// mesh in a GL vertex buffer, in the vertex format its material asks for (see VertexFormatsX),
// drawn with the material's shader; or, for a key-framed model, one position buffer per key
// frame and a shared uv buffer, blended between two frames on the GPU. A RenderableObjectXDX is
// what the render device keeps for an added object: one RenderableMeshDX per section, or one
// animated one. Buffers and programs that several renderables use are shared through the
// RenderableManagerX. Everything here runs on the render thread.
#include <cstdint>
#include <vector>

#include "geometry/Matrix4X.h"
#include "render/IRenderableObjectX.h"
#include "render/RenderDirectXX.h"
#include "render/RenderableManagerX.h"
#include "render/VertexFormatsX.h"

class DeviceTextureX;
class MaterialX;
class MeshX;
class Object3DX;
class IRenderSnapshotX;
class ShaderX;
class TextureX;

class RenderableMeshDX {
 public:
  // One section of a mesh; cube mapped draws it with the material's cube texture.
  RenderableMeshDX(MeshX* mesh, uint32_t section, RenderDirectXX* device,
                   RenderableManagerX* manager, bool cubeMapped);
  // A key-framed model: every section of the mesh is one key frame.
  RenderableMeshDX(MeshX* mesh, RenderDirectXX* device, RenderableManagerX* manager);
  ~RenderableMeshDX();
  RenderableMeshDX(const RenderableMeshDX&) = delete;
  RenderableMeshDX& operator=(const RenderableMeshDX&) = delete;

  // Primitive type and count from the mesh's point ordering and the section's size.
  void SetPrimitiveType();
  bool CreateWithColor();
  bool CreateWithTexture();
  bool CreateWithLightMap();
  bool CreateCubeMaped();
  // The position buffer of key frame `number` (and, with the first frame, the uv buffer).
  bool CreateWithTextureAnimatedNew(uint32_t number);
  // Shadow volumes are not drawn by this renderer.
  void CreateShadowVolume();

  // A static mesh with the object's world x view x projection.
  void Draw(const Matrix4X& worldViewProjection);
  // An animated mesh between key frames A and B (blend 0 is A, 1 is B).
  void Draw(uint32_t frameA, uint32_t frameB, const Matrix4X& worldViewProjection, float blend);

  uint32_t GetVertexType() const { return mVertexType; }
  const PrimitiveX& GetPrimitive() const { return mPrimitive; }
  uint32_t GetStride() const { return mStride; }
  uint32_t GetVertexBuffer() const { return mVertexBuffer; }
  uint32_t GetFrameCount() const { return static_cast<uint32_t>(mVertexBuffers.size()); }
  uint32_t GetFrameBuffer(uint32_t frame) const;
  uint32_t GetProgram() const { return mProgram; }
  bool IsAnimated() const { return mAnimated; }
  MaterialX* GetMaterial() const { return mMaterial; }
  MeshX* GetMesh() const { return mMeshX; }
  // The diffuse texture's flags: keyed-out (alpha-tested) texels, or hidden altogether.
  bool HasAlpha() const;
  bool IsHidden() const;

 private:
  bool CreateStatic(const char* operation);
  // The program of the shader (built on first use, shared); 0 when it cannot be had.
  bool AcquireProgram(ShaderX* shader);
  void TakeTextures();
  // Binds program, uniforms and textures; false when there is nothing to draw with.
  bool BeginDraw(const Matrix4X& worldViewProjection, float animTime);
  void EndDraw();
  uint32_t AcquireSharedBuffer(const RenderableManagerX::KeyX& key);
  uint32_t CreateBuffer(const void* data, size_t size);
  void HoldShared(const RenderableManagerX::KeyX& key, uint32_t buffer, const char* assertion);

  RenderDirectXX* mDevice = nullptr;
  RenderableManagerX* mManager = nullptr;
  MeshX* mMeshX = nullptr;
  uint32_t mSection = sInvalidSection;
  uint32_t mVertexBuffer = 0;
  std::vector<uint32_t> mVertexBuffers;  // key frames of an animated mesh
  uint32_t mTextureCoord = 0;            // uv of an animated mesh, 8 bytes a vertex
  uint32_t mVertexArray = 0;
  uint32_t mDeclaration = VERTEXDECLARATION_COUNT;
  PrimitiveX mPrimitive;
  uint32_t mStride = 0;
  bool mAnimated = false;
  DeviceTextureX* mDiffuseTexture = nullptr;
  DeviceTextureX* mLightmapTexture = nullptr;
  MaterialX* mMaterial = nullptr;
  uint32_t mVertexType = VERTEXTYPE_COLOR;
  TextureX* mTextureFlags = nullptr;  // the diffuse texture, for its alpha and hidden flags

  ShaderX* mShader = nullptr;
  uint32_t mProgram = 0;
  int32_t mWorldViewProjectionLocation = -1, mAnimTimeLocation = -1, mBrightnessLocation = -1,
          mAlphaTestLocation = -1;
  // Shared buffers and the program this mesh holds a reference to; buffers of its own.
  std::vector<RenderableManagerX::KeyX> mSharedKeys;
  std::vector<uint32_t> mOwnBuffers;

  static constexpr uint32_t sInvalidSection = 0xFFFFFFFFu;
};

class RenderableObjectXDX : public IRenderableObjectX {
 public:
  // For an object added as a placed object (`object`, drawn where its vertices are) or as a
  // moving one (`moveable`, drawn with its world matrix); one of the two is set.
  RenderableObjectXDX(Object3DX* object, IRenderSnapshotX* moveable, bool animated,
                      RenderDirectXX* device, RenderableManagerX* manager);
  ~RenderableObjectXDX() override;

  void Prepare(const Matrix4X& viewProjection, int32_t renderIndex) override;
  void Draw() override;

  bool IsAnimated() const { return mAnimated; }
  bool HasAlpha() const { return mHasAlpha; }
  const std::vector<RenderableMeshDX*>& GetMeshes() const { return mMeshes; }

  // The device's renderable factory: a renderable for every added object whose mesh has
  // something to draw. An object bound to a bot (flag set) is drawn animated.
  static RenderDirectXX::RenderableFactoryX MakeFactory(RenderDirectXX* device,
                                                        RenderableManagerX* manager);

 private:
  bool mAnimated = false;
  RenderDirectXX* mDevice = nullptr;
  Matrix4X mWorld;
  Matrix4X mWorldViewProjection;
  Object3DX* mObject = nullptr;
  IRenderSnapshotX* mMoveable = nullptr;
  std::vector<RenderableMeshDX*> mMeshes;  // opaque meshes first, alpha-tested ones after
  bool mHasAlpha = false;
  // Key frames of the frame being drawn.
  uint32_t mFrameFrom = 0, mFrameTo = 0;
  float mFrameFraction = 0.0f;
};
