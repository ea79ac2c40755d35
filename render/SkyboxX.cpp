#include "render/SkyboxX.h"

#include <epoxy/gl.h>

#include <cstddef>

#include "assets/TextureX.h"
#include "engine/ReportHooksX.h"
#include "render/IRenderSnapshotX.h"
#include "render/RenderDirectXX.h"

namespace {

using CornerX = RenderableSkyBox::CornerX;

// Per face: corners as (position; cube-map coordinate), the face's own axis at +-1.01.
const CornerX kFaces[6][4] = {
    {{{-1000, 1000, -1000}, {-1.01f, -1, 1}},
     {{-1000, 1000, 1000}, {-1.01f, -1, -1}},
     {{-1000, -1000, 1000}, {-1.01f, 1, -1}},
     {{-1000, -1000, -1000}, {-1.01f, 1, 1}}},
    {{{1000, 1000, -1000}, {1.01f, -1, 1}},
     {{1000, 1000, 1000}, {1.01f, -1, -1}},
     {{1000, -1000, 1000}, {1.01f, 1, -1}},
     {{1000, -1000, -1000}, {1.01f, 1, 1}}},
    {{{-1000, 1000, 1000}, {1, 1.01f, 1}},
     {{1000, 1000, 1000}, {1, 1.01f, -1}},
     {{1000, 1000, -1000}, {-1, 1.01f, -1}},
     {{-1000, 1000, -1000}, {-1, 1.01f, 1}}},
    {{{-1000, -1000, 1000}, {1, -1.01f, 1}},
     {{1000, -1000, 1000}, {1, -1.01f, -1}},
     {{1000, -1000, -1000}, {-1, -1.01f, -1}},
     {{-1000, -1000, -1000}, {-1, -1.01f, 1}}},
    {{{-1000, 1000, 1000}, {1, -1, 1.01f}},
     {{1000, 1000, 1000}, {-1, -1, 1.01f}},
     {{1000, -1000, 1000}, {-1, 1, 1.01f}},
     {{-1000, -1000, 1000}, {1, 1, 1.01f}}},
    {{{-1000, 1000, -1000}, {1, -1, -1.01f}},
     {{1000, 1000, -1000}, {-1, -1, -1.01f}},
     {{1000, -1000, -1000}, {-1, 1, -1.01f}},
     {{-1000, -1000, -1000}, {1, 1, -1.01f}}},
};

}  // namespace

RenderableSkyBox::RenderableSkyBox(RenderDirectXX* device, const std::vector<TextureX*>& textures)
    : mDevice(device), mTextures(textures) {
  Create();
}

RenderableSkyBox::~RenderableSkyBox() { Release(); }

std::array<CornerX, 4> RenderableSkyBox::GetCubeFace(uint32_t face) {
  if (face > 5) {
    KX_ASSERT_MSG(false, "RenderableSkyBox::GetCubeFace", "No such type for skybox.");
    face = 0;
  }
  return {kFaces[face][0], kFaces[face][1], kFaces[face][2], kFaces[face][3]};
}

std::vector<RenderableSkyBox::SkyVertexX> RenderableSkyBox::BuildMesh() {
  std::vector<SkyVertexX> vertices;
  vertices.reserve(sVertexCount);
  for (uint32_t face = 0; face < 6; ++face) {
    const std::array<CornerX, 4> corners = GetCubeFace(face);
    for (uint32_t corner : {0u, 1u, 2u, 0u, 2u, 3u}) {
      const CornerX& c = corners[corner];
      vertices.push_back({{c.mPosition.x, c.mPosition.y, c.mPosition.z},
                          {c.mCubeCoord.x, c.mCubeCoord.y, c.mCubeCoord.z},
                          0xFF000000u});
    }
  }
  return vertices;
}

std::function<IRenderableObjectX*(const std::vector<TextureX*>&)> RenderableSkyBox::MakeFactory(
    RenderDirectXX* device) {
  return [device](const std::vector<TextureX*>& textures) -> IRenderableObjectX* {
    return new RenderableSkyBox(device, textures);
  };
}

bool RenderableSkyBox::Create() {
  Release();
  // The cube texture: the six faces' DXT1 blocks one after another.
  if (mTextures.size() != 6) return false;
  const uint32_t size = mTextures[0] ? mTextures[0]->GetTextureWidth() : 0;
  std::vector<uint8_t> blocks;
  for (TextureX* texture : mTextures) {
    if (!texture || texture->GetTextureWidth() != size || texture->GetTextureHeight() != size ||
        texture->GetCompressedData().Empty()) {
      LogMessage("Skybox, the six sky textures must be square and of one size");
      return false;
    }
    const ArrayX<unsigned char>& data = texture->GetCompressedData();
    blocks.insert(blocks.end(), data.begin(), data.end());
  }
  mCubeTexture = mDevice ? mDevice->TextureCubeCreate(nullptr, size, size, blocks.data(),
                                                      static_cast<uint32_t>(blocks.size()))
                         : nullptr;

  const std::vector<SkyVertexX> vertices = BuildMesh();
  glGenVertexArrays(1, &mVertexArray);
  glGenBuffers(1, &mVertexBuffer);
  glBindVertexArray(mVertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, mVertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(SkyVertexX)),
               vertices.data(), GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(SkyVertexX),
                        reinterpret_cast<const void*>(offsetof(SkyVertexX, mPosition)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(SkyVertexX),
                        reinterpret_cast<const void*>(offsetof(SkyVertexX, mCubeCoord)));
  return mCubeTexture != nullptr;
}

void RenderableSkyBox::Release() {
  if (mCubeTexture && mDevice) mDevice->ReleaseResource(mCubeTexture);
  mCubeTexture = nullptr;
  if (mVertexBuffer) glDeleteBuffers(1, &mVertexBuffer);
  if (mVertexArray) glDeleteVertexArrays(1, &mVertexArray);
  mVertexBuffer = 0;
  mVertexArray = 0;
  mProgram.Release();
}

void RenderableSkyBox::Prepare(const Matrix4X& viewProjection, int32_t renderIndex) {
  // Follows the camera, never turns.
  mWorld = Matrix4X::Identity();
  if (const IRenderSnapshotX* camera = mDevice ? mDevice->GetCamera() : nullptr) {
    const Vector3fX& position = camera->GetRenderPosition(renderIndex);
    mWorld.m[3][0] = position.x;
    mWorld.m[3][1] = position.y;
    mWorld.m[3][2] = position.z;
  }
  mWorldViewProjection = Matrix4X::Multiply(mWorld, viewProjection);
}

void RenderableSkyBox::Draw() {
  if (!mCubeTexture || !mCubeTexture->GetName() || !mVertexArray ||
      !mProgram.Use(mDevice ? mDevice->GetAssets() : nullptr))
    return;
  // Culling is put back as the frame set it: wireframe and point modes draw back faces too.
  const GLboolean culling = glIsEnabled(GL_CULL_FACE);
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_FALSE);
  glUniformMatrix4fv(mProgram.Uniform("uWorldViewProjection"), 1, GL_FALSE,
                     mWorldViewProjection.Data());
  glUniform1i(mProgram.Uniform("uSky"), 0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_CUBE_MAP, mCubeTexture->GetName());
  GLint previousVertexArray = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &previousVertexArray);
  glBindVertexArray(mVertexArray);
  glDrawArrays(GL_TRIANGLES, 0, sVertexCount);
  glBindVertexArray(static_cast<GLuint>(previousVertexArray));
  glDepthMask(GL_TRUE);
  if (culling) glEnable(GL_CULL_FACE);
  glUseProgram(0);
}
