#include "render/RenderableMeshDX.h"

#include <epoxy/gl.h>

#include <algorithm>

#include "assets/AssetManagerBaseX.h"
#include "assets/MaterialX.h"
#include "assets/ShaderX.h"
#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"
#include "geometry/MeshX.h"
#include "loaders/Object3DX.h"
#include "render/DebugProgramX.h"
#include "render/DeviceTextureX.h"
#include "render/IRenderSnapshotX.h"

namespace {

using KeyX = RenderableManagerX::KeyX;

// Links the two programs of a shader asset, with the diffuse texture on unit 0 and the
// lightmap on unit 1; 0 when it cannot be built.
GLuint BuildProgram(ShaderX* shader) {
  const GLuint program = LinkShaderProgram(shader);
  if (program) {
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "sDiffuse"), 0);
    glUniform1i(glGetUniformLocation(program, "sLightmap"), 1);
    glUseProgram(0);
  }
  return program;
}

// A shader asset of the device's asset manager.
ShaderX* GetShader(const RenderDirectXX* device, const char* name) {
  AssetManagerBaseX* assets = device ? device->GetAssets() : nullptr;
  return name && assets ? assets->GetAssetImpl<ShaderX>(StringX(name)) : nullptr;
}

// The vertex array bound now, put back after a draw.
GLuint BoundVertexArray() {
  GLint bound = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
  return static_cast<GLuint>(bound);
}

}  // namespace

// ---- RenderableMeshDX ----

RenderableMeshDX::RenderableMeshDX(MeshX* mesh, uint32_t section, RenderDirectXX* device,
                                   RenderableManagerX* manager, bool cubeMapped)
    : mDevice(device), mManager(manager), mMeshX(mesh), mSection(section) {
  if (mMeshX && section < mMeshX->mMaterials.Size()) mMaterial = mMeshX->mMaterials[section];
  mVertexType = VertexFormatsX::ChooseVertexType(mMaterial, cubeMapped);
  switch (mVertexType) {
    case VERTEXTYPE_COLOR:
      CreateWithColor();
      break;
    case VERTEXTYPE_TEXTURED:
      CreateWithTexture();
      break;
    case VERTEXTYPE_LIGHTMAPPED:
      CreateWithLightMap();
      break;
    case VERTEXTYPE_CUBEMAPPED:
      CreateCubeMaped();
      break;
    default:
      KX_ASSERT_MSG(false, "RenderableMeshDX::RenderableMeshDX", "Vertex type unknown");
      break;
  }
}

RenderableMeshDX::RenderableMeshDX(MeshX* mesh, RenderDirectXX* device, RenderableManagerX* manager)
    : mDevice(device),
      mManager(manager),
      mMeshX(mesh),
      mAnimated(true),
      mVertexType(VERTEXTYPE_ANIMATED) {
  if (!mMeshX) return;
  if (!mMeshX->mMaterials.Empty()) mMaterial = mMeshX->mMaterials[0];
  const uint32_t frames = std::max<uint32_t>(mMeshX->mSections.Size(), 1);
  for (uint32_t number = 0; number < frames; ++number) {
    if (!CreateWithTextureAnimatedNew(number)) break;
  }
}

RenderableMeshDX::~RenderableMeshDX() {
  // Shared resources are deleted by whoever lets go of them last.
  for (const KeyX& key : mSharedKeys) {
    const GLuint resource = mManager ? mManager->ReleaseRenderable(key) : 0;
    if (!resource) continue;
    if (key.mPart == RenderableManagerX::PART_PROGRAM) {
      glDeleteProgram(resource);
    } else {
      glDeleteBuffers(1, &resource);
    }
  }
  if (!mOwnBuffers.empty())
    glDeleteBuffers(static_cast<GLsizei>(mOwnBuffers.size()), mOwnBuffers.data());
  if (mVertexArray) glDeleteVertexArrays(1, &mVertexArray);
}

void RenderableMeshDX::SetPrimitiveType() {
  const uint32_t n = mMeshX ? VertexFormatsX::GetSectionSize(*mMeshX, mAnimated ? 0 : mSection) : 0;
  mPrimitive =
      VertexFormatsX::GetPrimitive(mMeshX ? mMeshX->mPointOrdering : POINTORDER_POINTLIST, n);
}

bool RenderableMeshDX::CreateWithColor() { return CreateStatic("CreateWithColor"); }
bool RenderableMeshDX::CreateWithTexture() { return CreateStatic("CreateWithTexture"); }
bool RenderableMeshDX::CreateWithLightMap() { return CreateStatic("CreateWithLightMap"); }
bool RenderableMeshDX::CreateCubeMaped() { return CreateStatic("CreateCubeMaped"); }

void RenderableMeshDX::CreateShadowVolume() {
  CodeNotDone(__FILE__, "RenderableMeshDX::CreateShadowVolume", __LINE__, "Shadow volume not done");
}

bool RenderableMeshDX::AcquireProgram(ShaderX* shader) {
  if (!shader || !mManager) return false;
  const KeyX key{reinterpret_cast<uintptr_t>(shader), RenderableManagerX::PART_PROGRAM, 0};
  GLuint program = mManager->GetRenderable(key);
  if (!program) {
    program = BuildProgram(shader);
    if (!program || !mManager->AddRenderable(key, program)) {
      if (program) glDeleteProgram(program);
      return false;
    }
  }
  mSharedKeys.push_back(key);
  mShader = shader;
  mProgram = program;
  mWorldViewProjectionLocation = glGetUniformLocation(program, "sWorldViewProjection");
  mAnimTimeLocation = glGetUniformLocation(program, "sAnimTime");
  mBrightnessLocation = glGetUniformLocation(program, "sBrightness");
  mAlphaTestLocation = glGetUniformLocation(program, "sAlphaTest");
  return true;
}

void RenderableMeshDX::TakeTextures() {
  if (!mMaterial) return;
  mTextureFlags = mMaterial->GetDiffuseTexture();
  if (mTextureFlags) mDiffuseTexture = mTextureFlags->GetTexture(mDevice);
  if (mMaterial->GetLightmap()) mLightmapTexture = mMaterial->GetLightmap()->GetTexture(mDevice);
}

uint32_t RenderableMeshDX::AcquireSharedBuffer(const KeyX& key) {
  const GLuint buffer = mManager ? mManager->GetRenderable(key) : 0;
  if (buffer) mSharedKeys.push_back(key);
  return buffer;
}

uint32_t RenderableMeshDX::CreateBuffer(const void* data, size_t size) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  KX_ASSERT_MSG(buffer != 0, "RenderableMeshDX::CreateBuffer", "SUCCEEDED(hr)");
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(size), size ? data : nullptr,
               GL_STATIC_DRAW);
  return buffer;
}

void RenderableMeshDX::HoldShared(const KeyX& key, uint32_t buffer, const char* assertion) {
  if (mManager && mManager->AddRenderable(key, buffer)) {
    mSharedKeys.push_back(key);
    return;
  }
  KX_ASSERT_MSG(false, "RenderableMeshDX::HoldShared", assertion);
  mOwnBuffers.push_back(buffer);
}

bool RenderableMeshDX::CreateStatic(const char* operation) {
  if (!mMeshX) return false;
  SetPrimitiveType();
  mStride = VertexFormatsX::GetStride(mVertexType);
  mDeclaration = VertexFormatsX::GetDeclarationIndex(mVertexType);

  // The shader: the material's own, or the type's program given to the material.
  const char* program = VertexFormatsX::GetShaderProgram(mVertexType);
  ShaderX* shader = mMaterial ? mMaterial->GetShader() : nullptr;
  if (!shader && program) {
    if (mMaterial) {
      mMaterial->SetShader(StringX(program));
      shader = mMaterial->GetShader();
    } else {
      shader =
          GetShader(mDevice, program);  // a section without material draws in its vertex colours
    }
    KX_ASSERT_MSG(shader, (StringX("RenderableMeshDX::") + operation).GetCharArray(), "shaderX");
  }
  if (!shader) shader = GetShader(mDevice, VertexFormatsX::GetTexturedFallbackProgram());
  AcquireProgram(shader);
  TakeTextures();

  const std::vector<uint8_t> vertices =
      VertexFormatsX::PackVertices(*mMeshX, mSection, mVertexType);
  glGenVertexArrays(1, &mVertexArray);
  const GLuint previous = BoundVertexArray();
  glBindVertexArray(mVertexArray);
  // A single-section mesh's buffer is shared by every renderable of that mesh (per format).
  const bool shared = mMeshX->mSections.Size() < 2;
  const KeyX key{reinterpret_cast<uintptr_t>(mMeshX), RenderableManagerX::PART_STATIC, mVertexType};
  mVertexBuffer = shared ? AcquireSharedBuffer(key) : 0;
  if (mVertexBuffer) {
    glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
  } else {
    mVertexBuffer = CreateBuffer(vertices.data(), vertices.size());
    if (shared) {
      HoldShared(
          key, mVertexBuffer,
          "GetKorvelX().GetRenderablesManager().AddRenderable(reinterpret_cast<uintX>(mMeshX), "
          "reinterpret_cast<uintX>(mVertexBuffer))");
    } else {
      mOwnBuffers.push_back(mVertexBuffer);
    }
  }
  VertexFormatsX::SetupVertexDeclaration(mDeclaration);
  glBindVertexArray(previous);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  return mVertexBuffer != 0;
}

bool RenderableMeshDX::CreateWithTextureAnimatedNew(uint32_t number) {
  if (!mMeshX) return false;
  const uintptr_t owner = reinterpret_cast<uintptr_t>(mMeshX);
  if (number == 0) {
    // The first frame sets up what all frames share: primitive, program, textures, uv.
    SetPrimitiveType();
    mStride = VertexFormatsX::GetStride(VERTEXTYPE_ANIMATED);
    mDeclaration = VERTEXDECLARATION_ANIMATED;
    ShaderX* shader = GetShader(mDevice, VertexFormatsX::GetShaderProgram(VERTEXTYPE_ANIMATED));
    KX_ASSERT_MSG(shader, "RenderableMeshDX::CreateWithTextureAnimatedNew", "shaderX");
    AcquireProgram(shader);
    TakeTextures();
    const KeyX uvKey{owner, RenderableManagerX::PART_TEXCOORDS, 0};
    mTextureCoord = AcquireSharedBuffer(uvKey);
    if (!mTextureCoord) {
      const std::vector<float> uv = VertexFormatsX::PackTexCoords(*mMeshX, 0);
      mTextureCoord = CreateBuffer(uv.data(), uv.size() * sizeof(float));
      HoldShared(uvKey, mTextureCoord,
                 "GetKorvelX().GetRenderablesManager().AddRenderable(id, "
                 "reinterpret_cast<uintX>(mTextureCoord))");
    }
    glGenVertexArrays(1, &mVertexArray);
    const GLuint previous = BoundVertexArray();
    glBindVertexArray(mVertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, mTextureCoord);
    VertexFormatsX::SetupVertexDeclaration(mDeclaration);
    glEnableVertexAttribArray(VertexFormatsX::sPositionLocation);
    glEnableVertexAttribArray(VertexFormatsX::sSecondPositionLocation);
    glBindVertexArray(previous);
  }
  // Every key frame must have the first frame's vertices; one that has not is drawn as the
  // first frame rather than read past its buffer.
  const uint32_t size = VertexFormatsX::GetSectionSize(*mMeshX, number);
  if (number > 0 && size != VertexFormatsX::GetSectionSize(*mMeshX, 0)) {
    LogMessage("RenderableMesh, a key frame differs in size from the first; drawn as the first");
    mVertexBuffers.push_back(mVertexBuffers.front());
    return true;
  }
  const KeyX frameKey{owner, RenderableManagerX::PART_FRAME, number};
  GLuint buffer = AcquireSharedBuffer(frameKey);
  if (!buffer) {
    const std::vector<float> positions = VertexFormatsX::PackPositions(*mMeshX, number);
    buffer = CreateBuffer(positions.data(), positions.size() * sizeof(float));
    HoldShared(frameKey, buffer,
               "GetKorvelX().GetRenderablesManager().AddRenderable(id, "
               "reinterpret_cast<uintX>(mVertexBuffers[number]))");
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  mVertexBuffers.push_back(buffer);
  if (number == 0) mVertexBuffer = buffer;
  return true;
}

uint32_t RenderableMeshDX::GetFrameBuffer(uint32_t frame) const {
  return frame < mVertexBuffers.size() ? mVertexBuffers[frame] : 0;
}

bool RenderableMeshDX::HasAlpha() const {
  return mTextureFlags && (mTextureFlags->IsColorKeyed() || mTextureFlags->IsTranslucent());
}

bool RenderableMeshDX::IsHidden() const { return mTextureFlags && mTextureFlags->IsAllKeyed(); }

bool RenderableMeshDX::BeginDraw(const Matrix4X& worldViewProjection, float animTime) {
  if (IsHidden() || !mProgram || !mVertexArray || mPrimitive.mCount == 0) return false;
  glUseProgram(mProgram);
  glUniformMatrix4fv(mWorldViewProjectionLocation, 1, GL_FALSE, worldViewProjection.Data());
  glUniform1f(mAnimTimeLocation, animTime);
  glUniform1f(mBrightnessLocation, mDevice ? mDevice->GetBrightness() : 1.0f);
  glUniform1i(mAlphaTestLocation, HasAlpha() ? 1 : 0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, mLightmapTexture ? mLightmapTexture->GetName() : 0);
  glActiveTexture(GL_TEXTURE0);
  const bool cube = mDiffuseTexture && mDiffuseTexture->GetKind() == TEXTUREKIND_CUBE;
  glBindTexture(cube ? GL_TEXTURE_CUBE_MAP : GL_TEXTURE_2D,
                mDiffuseTexture ? mDiffuseTexture->GetName() : 0);
  return true;
}

void RenderableMeshDX::EndDraw() { glUseProgram(0); }

void RenderableMeshDX::Draw(const Matrix4X& worldViewProjection) {
  if (!BeginDraw(worldViewProjection, 1.0f)) return;
  const GLuint previous = BoundVertexArray();
  glBindVertexArray(mVertexArray);
  glDrawArrays(VertexFormatsX::GetGLMode(mPrimitive.mType), 0,
               static_cast<GLsizei>(VertexFormatsX::GetDrawnVertexCount(mPrimitive)));
  glBindVertexArray(previous);
  EndDraw();
}

void RenderableMeshDX::Draw(uint32_t frameA, uint32_t frameB, const Matrix4X& worldViewProjection,
                            float blend) {
  if (mVertexBuffers.empty() || !BeginDraw(worldViewProjection, std::clamp(blend, 0.0f, 1.0f))) {
    return;
  }
  // Frames out of range (a model with fewer frames than the animation asks for) show frame 0.
  const GLuint bufferA = GetFrameBuffer(frameA) ? GetFrameBuffer(frameA) : mVertexBuffers[0];
  const GLuint bufferB = GetFrameBuffer(frameB) ? GetFrameBuffer(frameB) : mVertexBuffers[0];
  const GLuint previous = BoundVertexArray();
  glBindVertexArray(mVertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, bufferA);
  glVertexAttribPointer(VertexFormatsX::sPositionLocation, 3, GL_FLOAT, GL_FALSE, 12, nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, bufferB);
  glVertexAttribPointer(VertexFormatsX::sSecondPositionLocation, 3, GL_FLOAT, GL_FALSE, 12,
                        nullptr);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glDrawArrays(VertexFormatsX::GetGLMode(mPrimitive.mType), 0,
               static_cast<GLsizei>(VertexFormatsX::GetDrawnVertexCount(mPrimitive)));
  glBindVertexArray(previous);
  EndDraw();
}

// ---- RenderableObjectXDX ----

RenderableObjectXDX::RenderableObjectXDX(Object3DX* object, IRenderSnapshotX* moveable,
                                         bool animated, RenderDirectXX* device,
                                         RenderableManagerX* manager)
    : mAnimated(animated), mDevice(device), mObject(object), mMoveable(moveable) {
  Object3DX* drawn = mMoveable ? mMoveable->GetRenderObject() : mObject;
  MeshX* mesh = drawn ? drawn->GetMesh() : nullptr;
  if (!mesh || mesh->mVertexList.Empty()) {
    LogMessage(mMoveable ? "Moveable object has not vertex list!" : "Object has no vertexlist");
    return;
  }
  if (mAnimated) {
    RenderableMeshDX* animatedMesh = new RenderableMeshDX(mesh, device, manager);
    mMeshes.push_back(animatedMesh);
    mHasAlpha = animatedMesh->HasAlpha();
    return;
  }
  const uint32_t sections = std::max<uint32_t>(mesh->mSections.Size(), 1);
  for (uint32_t section = 0; section < sections; ++section) {
    mMeshes.push_back(new RenderableMeshDX(mesh, section, device, manager, false));
  }
  // The meshes' order is ours to choose: opaque ones first, so that walls with keyed-out
  // texels are drawn over what lies behind them.
  std::stable_partition(mMeshes.begin(), mMeshes.end(),
                        [](const RenderableMeshDX* m) { return !m->HasAlpha(); });
  mHasAlpha = mMeshes.back()->HasAlpha();
}

RenderableObjectXDX::~RenderableObjectXDX() {
  for (RenderableMeshDX* mesh : mMeshes) delete mesh;
}

void RenderableObjectXDX::Prepare(const Matrix4X& viewProjection, int32_t renderIndex) {
  // A placed object's vertices are in world coordinates already.
  mWorld = mMoveable ? mMoveable->GetRenderMatrix(renderIndex) : Matrix4X::Identity();
  mWorldViewProjection = Matrix4X::Multiply(mWorld, viewProjection);
  if (mAnimated && mMoveable) {
    mMoveable->GetRenderFrames(renderIndex, mFrameFrom, mFrameTo, mFrameFraction);
  }
}

void RenderableObjectXDX::Draw() {
  if (mAnimated) {
    if (!mMeshes.empty())
      mMeshes[0]->Draw(mFrameFrom, mFrameTo, mWorldViewProjection, mFrameFraction);
    return;
  }
  for (RenderableMeshDX* mesh : mMeshes) mesh->Draw(mWorldViewProjection);
}

RenderDirectXX::RenderableFactoryX RenderableObjectXDX::MakeFactory(RenderDirectXX* device,
                                                                    RenderableManagerX* manager) {
  return [device, manager](Object3DX* object, IRenderSnapshotX* moveable) -> IRenderableObjectX* {
    Object3DX* drawn = moveable ? moveable->GetRenderObject() : object;
    const bool animated = drawn && drawn->mFlag != 0;
    auto* renderable = new RenderableObjectXDX(object, moveable, animated, device, manager);
    if (renderable->GetMeshes().empty()) {
      delete renderable;
      return nullptr;
    }
    return renderable;
  };
}
